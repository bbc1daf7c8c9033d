#pragma once
// The time tools: the time bar below the map and the instant it shows, the meeting planner, and
// the marked cities' clocks in the tray, with their commands.

#include <QPointer>
#include <functional>
#include <memory>

#include "shell/window/feature_host.h"
#include "world/shown_instant.h"

class QLayout;

namespace meridiana {

struct City;
class CommandTable;
class MapArea;
class MapImages;
class MeetingPlannerDialog;
class TimeBar;
class TrayClocks;
class TrayIcon;

class TimeTools {
 public:
  TimeTools(FeatureHost host, ShownClock& shown, MapImages& images);
  ~TimeTools();

  // The bar goes into the layout below the map; shownChanged runs when it shows another instant,
  // retranslated when a language change has given the bar and the clocks their new words.
  void AttachTimeBar(QLayout* layout, std::function<void()> shownChanged,
                     std::function<void()> retranslated);
  // The marked cities' clocks, whose tool tip and menu check the tray shows.
  void AttachTrayClocks(TrayIcon* tray);
  // Time Bar, Meeting Planner, Tray Clocks.
  void AddCommands(CommandTable& table);

  // Shows another instant on the map (the time bar comes on).
  void ShowInstant(TimeValue t);
  // The once-a-second part: the bar's live middle, the tray's clocks.
  void Tick();
  WeekdayNames LocalWeekdays() const;

  TimeBar* timeBar() const { return timeBar_; }
  MeetingPlannerDialog* meetingPlanner() const;
  TrayClocks* trayClocks() const { return trayClocks_.get(); }

 private:
  void ToggleTimeBar();
  void OpenMeetingPlanner();
  // A city's offset from UTC at an instant: its zone file's, or the tables' at its own point.
  int CityOffset(const City& city, TimeValue t) const;

  FeatureHost host_;
  ShownClock& shownClock_;
  MapImages& images_;
  TimeBar* timeBar_ = nullptr;  // child of the client area
  TrayIcon* tray_ = nullptr;    // the window's
  QPointer<MeetingPlannerDialog> planner_;
  std::unique_ptr<TrayClocks> trayClocks_;
};

}  // namespace meridiana
