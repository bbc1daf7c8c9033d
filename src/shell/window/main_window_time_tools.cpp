// The time tools of the window: the time bar and the instant it shows, the meeting planner,
// and the marked cities' clocks in the tray.

#include <QAction>
#include <QLayout>
#include <QMenu>

#include "map/base_images.h"
#include "map/map_geometry.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/meeting_planner.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/main_window.h"
#include "shell/window/map_gestures.h"
#include "shell/window/time_bar.h"
#include "shell/window/title_clock.h"
#include "shell/window/tray_clocks.h"
#include "shell/window/tray_icon.h"
#include "world/city_clocks.h"
#include "world/local_time.h"
#include "world/zone_file.h"

namespace meridiana {
namespace {

constexpr int kFirstWeekdayText = 1620;  // Sun; Mon..Sat follow

}  // namespace

WeekdayNames MainWindow::LocalWeekdays() const {
  WeekdayNames names;
  for (int day = 0; day < 7; ++day) {
    names[static_cast<std::size_t>(day)] = ToUtf8(LocalText(kFirstWeekdayText + day));
  }
  return names;
}

void MainWindow::AttachTimeBar(QLayout* layout) {
  timeBar_ = new TimeBar(
      *shownClock_, [this](int id) { return LocalText(id); }, this);
  connect(timeBar_, &TimeBar::shownChanged, this, &MainWindow::OnShownInstantChanged);
  layout->addWidget(timeBar_);
  // With the bar on, the marked cities' clocks come from the computer's zone files, so the hour
  // of a change (and a half-hour saving) shows as it happens; off, the map is as it always was.
  mapArea_->SetMarkedWallClock([this](const City& city, TimeValue t) -> std::optional<TimeValue> {
    if (context_.settings == nullptr || context_.settings->timebar == 0) return std::nullopt;
    if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
    const auto offset = ZoneFileOffset(*context_.world, city, *zones_, t);
    if (!offset) return std::nullopt;
    return t + *offset;
  });
  timeBar_->setVisible(context_.settings != nullptr && context_.settings->timebar != 0);
  if (context_.language != nullptr)
    context_.language->AddListener([this] {
      timeBar_->Retranslate();
      if (trayClocks_) trayClocks_->Retranslate();
      UpdateTitleClock();
    });
}

void MainWindow::ToggleTimeBar() {
  if (context_.settings == nullptr) return;
  Settings& settings = *context_.settings;
  settings.timebar = settings.timebar != 0 ? 0 : 1;
  timeBar_->setVisible(settings.timebar != 0);
  // Without the bar there is no way back from another instant: the map returns to the present.
  if (settings.timebar == 0) timeBar_->ShowLive();
  SyncViewControls();
}

void MainWindow::ShowInstant(TimeValue t) {
  if (context_.settings != nullptr && context_.settings->timebar == 0) ToggleTimeBar();
  timeBar_->Show(t);
}

void MainWindow::ShowLiveInstant() { timeBar_->ShowLive(); }

void MainWindow::OnShownInstantChanged() {
  RecomputeMap();
  UpdateTitleClock();
  gestures_->RefreshReadOut();
  if (properties_ != nullptr) properties_->Refill();
}

MeetingPlannerDialog* MainWindow::meetingPlanner() const { return planner_; }

// A city's offset from UTC at an instant by the program's own tables, for a city that has no
// zone file.
int MainWindow::TableOffset(const City& city, TimeValue t) const {
  const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
  ShownClock at(*liveClock_);
  at.Show(t);
  return static_cast<int>(
      LocalTimeOf(*context_.world, images_->zones(), point.x, point.y, &city, at) - t);
}

void MainWindow::OpenMeetingPlanner() {
  if (planner_ != nullptr) {
    planner_->show();
    planner_->raise();
    planner_->activateWindow();
    return;
  }
  if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
  MeetingPlannerDialog::Context planner;
  planner.world = context_.world;
  planner.clock = liveClock_;
  planner.zones = zones_.get();
  planner.tableOffset = [this](const City& city, TimeValue t) { return TableOffset(city, t); };
  planner.text = [this](int id) { return LocalText(id); };
  planner.showInstant = [this](TimeValue t) { ShowInstant(t); };
  if (context_.settings != nullptr) {
    planner.keptCities = &context_.settings->planCities;
    planner.keptHours = &context_.settings->planHours;
  }
  planner_ = new MeetingPlannerDialog(std::move(planner), this);
  planner_->setAttribute(Qt::WA_DeleteOnClose);
  planner_->show();
}

void MainWindow::AttachTrayClocks() {
  if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
  TrayClocks::Context clocks;
  clocks.world = context_.world;
  clocks.clock = liveClock_;
  clocks.zones = zones_.get();
  clocks.tableOffset = [this](const City& city, TimeValue t) { return TableOffset(city, t); };
  clocks.weekdays = [this] { return LocalWeekdays(); };
  clocks.text = [this](int id) { return LocalText(id); };
  if (context_.settings != nullptr) clocks.place = &context_.settings->clocksPlace;
  trayClocks_ = std::make_unique<TrayClocks>(std::move(clocks));
}

void MainWindow::TickTimeTools() {
  timeBar_->FollowLiveClock();
  if (!trayClocks_) return;
  trayClocks_->Tick();
  if (tray_ != nullptr) {
    tray_->SetToolTip(trayClocks_->ToolTip());
    for (QAction* action : tray_->menu()->actions()) {
      if (action->data().toInt() == ids::kCmdTrayClocks) action->setChecked(trayClocks_->shown());
    }
  }
}

}  // namespace meridiana
