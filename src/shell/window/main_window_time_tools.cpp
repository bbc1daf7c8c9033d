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

// A city's offset from UTC at an instant: its zone file's, or the tables' at its own point.
int MainWindow::CityOffset(const City& city, TimeValue t) const {
  const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
  return CityClockAt(*context_.world, city, images_->zones(), point.x, point.y, t, *liveClock_)
      .offsetSeconds;
}

void MainWindow::OpenMeetingPlanner() {
  if (planner_ != nullptr) {
    planner_->show();
    planner_->raise();
    planner_->activateWindow();
    return;
  }
  MeetingPlannerDialog::Context planner;
  planner.world = context_.world;
  planner.clock = liveClock_;
  planner.cityOffset = [this](const City& city, TimeValue t) { return CityOffset(city, t); };
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
  TrayClocks::Context clocks;
  clocks.world = context_.world;
  clocks.clock = liveClock_;
  clocks.cityOffset = [this](const City& city, TimeValue t) { return CityOffset(city, t); };
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
