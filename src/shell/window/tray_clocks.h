#pragma once
// The marked cities' clocks away from the map: the lines of the tray icon's tip and a small
// window that stays on top, can be moved, and opens where it was last left.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "world/shown_instant.h"
#include "world/world_data.h"

class QLabel;

namespace meridiana {

class TrayClocks {
 public:
  struct Context {
    const WorldData* world = nullptr;
    const Clock* clock = nullptr;  // the live clock: the tray tells the present
    // A city's offset from UTC at an instant, by the program's one clock of cities.
    std::function<int(const City& city, TimeValue t)> cityOffset;
    std::function<WeekdayNames()> weekdays;
    std::function<QString(int stringId)> text;
    std::string* place = nullptr;  // "x,y" of the window, kept with the settings
  };

  explicit TrayClocks(Context context);
  ~TrayClocks();

  // One line per marked city, in the City Selector's order, at most kTrayClockCities.
  QStringList Lines() const;
  // The program's name, then the lines.
  QString ToolTip() const;

  void Toggle();
  bool shown() const;
  QWidget* window() const;
  // Once a second: the window's clocks move on.
  void Tick();
  void Retranslate();

 private:
  class Window;
  // The marked cities in the selector's order. Working the order out looks every marked city's
  // country up among the zones, which the tray's tool tip would do every second; it is done
  // again only when the marks or the tables change.
  const std::vector<const City*>& OrderedCities() const;

  Context context_;
  std::unique_ptr<Window> window_;
  mutable std::vector<const City*> marked_;   // in the table's order, as last seen
  mutable std::vector<const City*> ordered_;  // the same in the selector's order
  mutable const City* citiesSeen_ = nullptr;
  mutable const void* zonesSeen_ = nullptr;
};

}  // namespace meridiana
