// The time tools of the window: the time bar and the instant it shows, the meeting planner,
// and the marked cities' clocks in the tray.

#include "shell/window/time_tools.h"

#include <QAction>
#include <QLayout>
#include <QMenu>

#include "map/base_images.h"
#include "map/map_geometry.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/meeting_planner.h"
#include "shell/window/command_table.h"
#include "shell/window/map_area.h"
#include "shell/window/time_bar.h"
#include "shell/window/tray_clocks.h"
#include "shell/window/tray_icon.h"
#include "world/city_clocks.h"
#include "world/local_time.h"
#include "world/zone_file.h"

namespace meridiana {
namespace {

constexpr int kFirstWeekdayText = 1620;  // Sun; Mon..Sat follow

}  // namespace

TimeTools::TimeTools(FeatureHost host, ShownClock& shown, MapImages& images)
    : host_(std::move(host)), shownClock_(shown), images_(images) {}

TimeTools::~TimeTools() = default;

MeetingPlannerDialog* TimeTools::meetingPlanner() const { return planner_; }

WeekdayNames TimeTools::LocalWeekdays() const {
  WeekdayNames names;
  for (int day = 0; day < 7; ++day) {
    names[static_cast<std::size_t>(day)] = ToUtf8(host_.text(kFirstWeekdayText + day));
  }
  return names;
}

void TimeTools::AttachTimeBar(QLayout* layout, MapArea* mapArea, std::function<void()> shownChanged,
                              std::function<void()> retranslated) {
  MainWindowContext& context = *host_.context;
  timeBar_ = new TimeBar(shownClock_, host_.text, host_.window);
  QObject::connect(timeBar_, &TimeBar::shownChanged, host_.window, std::move(shownChanged));
  layout->addWidget(timeBar_);
  // With the bar on, the marked cities' clocks come from the computer's zone files, so the hour
  // of a change (and a half-hour saving) shows as it happens; off, the map is as it always was.
  mapArea->SetMarkedWallClock([this](const City& city, TimeValue t) -> std::optional<TimeValue> {
    const MainWindowContext& context = *host_.context;
    if (context.settings == nullptr || context.settings->timebar == 0) return std::nullopt;
    if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
    const auto offset = ZoneFileOffset(*context.world, city, *zones_, t);
    if (!offset) return std::nullopt;
    return t + *offset;
  });
  timeBar_->setVisible(context.settings != nullptr && context.settings->timebar != 0);
  if (context.language != nullptr)
    context.language->AddListener([this, retranslated = std::move(retranslated)] {
      timeBar_->Retranslate();
      if (trayClocks_) trayClocks_->Retranslate();
      retranslated();
    });
}

void TimeTools::AddCommands(CommandTable& table) {
  table.Add({ids::kCmdTimeBar}, [this](int) { ToggleTimeBar(); });
  table.Add({ids::kCmdMeetingPlanner}, [this](int) { OpenMeetingPlanner(); });
  table.Add({ids::kCmdTrayClocks}, [this](int) {
    if (trayClocks_) trayClocks_->Toggle();
    Tick();
  });
}

void TimeTools::ToggleTimeBar() {
  if (host_.context->settings == nullptr) return;
  Settings& settings = *host_.context->settings;
  settings.timebar = settings.timebar != 0 ? 0 : 1;
  timeBar_->setVisible(settings.timebar != 0);
  // Without the bar there is no way back from another instant: the map returns to the present.
  if (settings.timebar == 0) timeBar_->ShowLive();
  host_.syncControls();
}

void TimeTools::ShowInstant(TimeValue t) {
  if (host_.context->settings != nullptr && host_.context->settings->timebar == 0) ToggleTimeBar();
  timeBar_->Show(t);
}

int TimeTools::TableOffset(const City& city, TimeValue t) const {
  const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
  ShownClock at(*host_.liveClock);
  at.Show(t);
  return static_cast<int>(
      LocalTimeOf(*host_.context->world, images_.zones(), point.x, point.y, &city, at) - t);
}

void TimeTools::OpenMeetingPlanner() {
  if (planner_ != nullptr) {
    planner_->show();
    planner_->raise();
    planner_->activateWindow();
    return;
  }
  MainWindowContext& context = *host_.context;
  if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
  MeetingPlannerDialog::Context planner;
  planner.world = context.world;
  planner.clock = host_.liveClock;
  planner.zones = zones_.get();
  planner.tableOffset = [this](const City& city, TimeValue t) { return TableOffset(city, t); };
  planner.text = host_.text;
  planner.showInstant = [this](TimeValue t) { ShowInstant(t); };
  if (context.settings != nullptr) {
    planner.keptCities = &context.settings->planCities;
    planner.keptHours = &context.settings->planHours;
  }
  planner_ = new MeetingPlannerDialog(std::move(planner), host_.window);
  planner_->setAttribute(Qt::WA_DeleteOnClose);
  planner_->show();
}

void TimeTools::AttachTrayClocks(TrayIcon* tray) {
  tray_ = tray;
  MainWindowContext& context = *host_.context;
  if (!zones_) zones_ = std::make_unique<ZoneFileCache>(SystemZoneFolder());
  TrayClocks::Context clocks;
  clocks.world = context.world;
  clocks.clock = host_.liveClock;
  clocks.zones = zones_.get();
  clocks.tableOffset = [this](const City& city, TimeValue t) { return TableOffset(city, t); };
  clocks.weekdays = [this] { return LocalWeekdays(); };
  clocks.text = host_.text;
  if (context.settings != nullptr) clocks.place = &context.settings->clocksPlace;
  trayClocks_ = std::make_unique<TrayClocks>(std::move(clocks));
}

void TimeTools::Tick() {
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
