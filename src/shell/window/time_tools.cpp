// The time tools of the window: the time bar and the instant it shows, the meeting planner,
// and the marked cities' clocks in the tray.

#include "shell/window/time_tools.h"

#include <QLayout>
#include <QMenu>
#include <QMenuBar>

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
#include "shell/window/toolbar_buttons.h"
#include "shell/window/tray_clocks.h"
#include "shell/window/tray_icon.h"
#include "world/city_clocks.h"
#include "world/local_time.h"

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

void TimeTools::AttachTimeBar(QLayout* layout, std::function<void()> shownChanged,
                              std::function<void()> retranslated) {
  MainWindowContext& context = *host_.context;
  timeBar_ = new TimeBar(shownClock_, host_.text, host_.window);
  QObject::connect(timeBar_, &TimeBar::shownChanged, host_.window, std::move(shownChanged));
  layout->addWidget(timeBar_);
  timeBar_->setVisible(context.settings != nullptr && context.settings->timebar != 0);
  if (context.language != nullptr)
    context.language->AddListener([this, retranslated = std::move(retranslated)] {
      timeBar_->Retranslate();
      if (trayClocks_) trayClocks_->Retranslate();
      if (planner_ != nullptr) planner_->RenamePlaces();
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

int TimeTools::CityOffset(const City& city, TimeValue t) const {
  const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
  return CityClockAt(*host_.context->world, city, images_.zones(), point.x, point.y, t,
                     *host_.liveClock)
      .offsetSeconds;
}

void TimeTools::OpenMeetingPlanner() {
  if (planner_ != nullptr) {
    planner_->show();
    planner_->raise();
    planner_->activateWindow();
    return;
  }
  MainWindowContext& context = *host_.context;
  MeetingPlannerDialog::Context planner;
  planner.world = context.world;
  planner.clock = host_.liveClock;
  planner.cityOffset = [this](const City& city, TimeValue t) { return CityOffset(city, t); };
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
  TrayClocks::Context clocks;
  clocks.world = context.world;
  clocks.clock = host_.liveClock;
  clocks.cityOffset = [this](const City& city, TimeValue t) { return CityOffset(city, t); };
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
    SetMenuCheck(tray_->menu(), ids::kCmdTrayClocks, trayClocks_->shown());
  }
  // View, Clocks too: where no tray host runs (stock GNOME, a bare compositor) the menu bar is
  // the only way to the list.
  if (host_.window != nullptr)
    SetMenuCheck(host_.window->findChild<QMenuBar*>(), ids::kCmdTrayClocks, trayClocks_->shown());
}

}  // namespace meridiana
