// The time tools in the window: the time bar drives the instant every "now" of the window reads,
// the planner's columns land on it, and the tray's clocks list the marked cities.

#include <gtest/gtest.h>

#include "world/local_time.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include "foundation/clock.h"
#include "foundation/localized_strings.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/dialogs/city_name_field.h"
#include "shell/dialogs/meeting_planner.h"
#include "shell/window/main_window.h"
#include "shell/window/time_bar.h"
#include "shell/window/tray_clocks.h"
#include "world/locale_info.h"
#include "world/scoped_tz.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

WorldData StagedWorld() {
  WorldData world;
  const std::string stage = MERIDIANA_STAGE_DIR;
  LoadCities(world, (stage + "/" + kCitiesFile).c_str(), nullptr);
  LoadZones(world, (stage + "/" + kZonesFile).c_str(), nullptr);
  LoadDstRules(world, (stage + "/" + kDstRulesFile).c_str(), nullptr);
  return world;
}

class TimeTools : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    context_.language = &language_;
    context_.settings = &settings_;
    context_.world = &world_;
    context_.clock = &clock_;
    context_.locale = &locale_;
  }
  testing::ScopedTz tz_{"UTC"};
  WorldData world_ = StagedWorld();
  Settings settings_;
  FixedClock clock_{UtcFromCalendar(2027, 3, 26, 12, 7, 0)};  // a Friday
  FixedLocaleInfo locale_{"/"};
  Localizer localizer_{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language_{&localizer_, {}};
  MainWindow::Context context_;
};

TEST_F(TimeTools, TimeBarMovesTheWindowsNowAndStopsTheClock) {
  MainWindow window(context_);
  TimeBar* bar = window.timeBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isHidden());  // off by default
  ASSERT_TRUE(window.OnCommand(ids::kCmdTimeBar));
  EXPECT_FALSE(bar->isHidden());
  EXPECT_EQ(settings_.timebar, 1);

  const TimeValue base = UtcFromCalendar(2027, 3, 26, 12, 0);
  const struct {
    int set;
    int held;
    TimeValue shown;
    const char* title;
  } cases[] = {
      {kTimeBarSteps, kTimeBarSteps, base + 7 * 86400, "Quillary Meridiana - Fri 12:00 (+7 d)"},
      {-kTimeBarSteps - 5, -kTimeBarSteps, base - 7 * 86400,
       "Quillary Meridiana - Fri 12:00 (-7 d)"},
      {8, 8, base + 7200, "Quillary Meridiana - Fri 14:00 (+1 h)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    bar->slider()->setValue(c.set);
    EXPECT_EQ(bar->slider()->value(), c.held);
    EXPECT_EQ(window.shownClock().Now(), c.shown);
    EXPECT_EQ(window.windowTitle().toStdString(), c.title);
  }
  // The live clock moves on, the shown instant does not.
  clock_.Advance(120);
  window.OnTimer(ids::kTimerClock);
  EXPECT_EQ(window.shownClock().Now(), base + 7200);

  // A typed date that does not exist is refused in words and changes nothing.
  bar->field()->setText(QStringLiteral("2027-02-30 10:00"));
  QTest::keyClick(bar->field(), Qt::Key_Return);
  EXPECT_EQ(bar->message()->text().toStdString(),
            "2027-02-30 10:00 is not a date of the calendar.");
  EXPECT_EQ(window.shownClock().Now(), base + 7200);
  bar->field()->setText(QStringLiteral("2027-03-28 09:30"));
  QTest::keyClick(bar->field(), Qt::Key_Return);
  EXPECT_EQ(window.shownClock().Now(), UtcFromCalendar(2027, 3, 28, 9, 30));
  EXPECT_TRUE(bar->message()->text().isEmpty());

  // "Now" is the live clock again; so is the bar turned off.
  bar->findChild<QPushButton*>(QStringLiteral("timeNow"))->click();
  EXPECT_TRUE(window.shownClock().live());
  EXPECT_EQ(bar->slider()->value(), 0);
  bar->slider()->setValue(-3);
  EXPECT_FALSE(window.shownClock().live());
  window.OnCommand(ids::kCmdTimeBar);
  EXPECT_TRUE(window.shownClock().live());
  EXPECT_EQ(window.windowTitle().toStdString(), "Quillary Meridiana - 12:09:00");
}

TEST_F(TimeTools, PlannerColumnsShowTheirInstantAndTheChoiceIsKept) {
  settings_.planCities = "London|New York City|Tokyo";
  settings_.planHours = "8-18";
  MainWindow window(context_);
  ASSERT_TRUE(window.OnCommand(ids::kCmdMeetingPlanner));
  MeetingPlannerDialog* planner = window.meetingPlanner();
  ASSERT_NE(planner, nullptr);
  ASSERT_EQ(planner->cities().size(), 3u);
  planner->findChild<QDateEdit*>(QStringLiteral("planDate"))->setDate(QDate(2027, 3, 28));
  ASSERT_EQ(planner->plan().size(), 24u);
  EXPECT_EQ(planner->table()->item(0, 1)->text().toStdString(), "02:00");  // London skips 01:00
  EXPECT_EQ(planner->summary()->text().toStdString(), "Hours when all can work: none");

  emit planner->table()->cellClicked(2, 13);
  EXPECT_EQ(window.shownClock().Now(), UtcFromCalendar(2027, 3, 28, 13));
  EXPECT_FALSE(window.timeBar()->isHidden());  // the bar comes on to lead back

  planner->MoveRow(2, -2);
  EXPECT_EQ(settings_.planCities, "Tokyo|London|New York City");
  EXPECT_EQ(settings_.planHours, "8-18");
  EXPECT_EQ(planner->table()->verticalHeaderItem(0)->text().toStdString(), "Tokyo");
}

// The planner's Add takes what the search resolves; a text nothing matches is said so, in place.
TEST_F(TimeTools, PlannerAddsTypedCitiesThroughTheSearch) {
  settings_.planCities = "London";
  MainWindow window(context_);
  ASSERT_TRUE(window.OnCommand(ids::kCmdMeetingPlanner));
  MeetingPlannerDialog* planner = window.meetingPlanner();
  CityNameField& field = *planner->cityName();
  const struct {
    const char* typed;
    const char* added;  // the new last row, "" when nothing is added
  } cases[] = {{"reykj", "Reykjavík"}, {"sao pa", "São Paulo"}, {"zurich", "Zürich"}, {"xqzv", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::size_t rows = planner->cities().size();
    field.edit()->setFocus();
    QTest::keyClicks(field.edit(), QString::fromUtf8(c.typed));
    field.completer()->popup()->hide();
    QTest::keyClick(field.edit(), Qt::Key_Return);
    if (*c.added == '\0') {
      EXPECT_EQ(planner->cities().size(), rows);
      EXPECT_FALSE(field.noMatchLine()->isHidden());
      EXPECT_EQ(field.edit()->text().toStdString(), c.typed);  // kept for mending
      field.clear();
      continue;
    }
    ASSERT_EQ(planner->cities().size(), rows + 1);
    EXPECT_EQ(WithoutTrailingBlanks(planner->cities().back()->name), c.added);
    EXPECT_TRUE(field.edit()->text().isEmpty());
  }
  EXPECT_EQ(settings_.planCities, "London|Reykjavík|São Paulo|Zürich");
}

TEST_F(TimeTools, TrayClocksListMarkedCitiesWithTheirWeekday) {
  testing::ScopedTz london("Europe/London");
  for (const char* name : {"Tokyo", "London", "Honolulu"}) {
    City* city = const_cast<City*>(FindCityNamed(world_.cities, name));
    ASSERT_NE(city, nullptr) << name;
    city->marked = true;
  }
  clock_.Set(UtcFromCalendar(2027, 3, 26, 20, 30));  // Friday evening in London
  TrayClocks::Context context;
  context.world = &world_;
  context.clock = &clock_;
  context.cityOffset = [this](const City& city, TimeValue t) {
    return CityClockAt(world_, city, nullptr, 0, 0, t, clock_).offsetSeconds;
  };
  TrayClocks clocks(context);
  const QString tip = clocks.ToolTip();
  if (!LoadZoneFile(SystemZoneFolder(), "Asia/Tokyo")) GTEST_SKIP() << "no zone files";
  // Countries in the selector's order; Tokyo is past midnight, Honolulu on the same Friday.
  const QStringList lines = tip.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0].toStdString(), "Quillary Meridiana");
  EXPECT_TRUE(lines.contains(QStringLiteral("Tokyo Sat 05:30")));
  EXPECT_TRUE(lines.contains(QStringLiteral("London 20:30")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Honolulu 10:30")));

  // The order is kept between ticks, but a mark taken away or added shows at the next one.
  const_cast<City*>(FindCityNamed(world_.cities, "London"))->marked = false;
  EXPECT_FALSE(clocks.ToolTip().contains(QStringLiteral("London")));
  const_cast<City*>(FindCityNamed(world_.cities, "Berlin"))->marked = true;
  const QStringList later = clocks.ToolTip().split(QLatin1Char('\n'));
  ASSERT_EQ(later.size(), 4);
  EXPECT_TRUE(later.contains(QStringLiteral("Berlin 21:30")));
  EXPECT_EQ(clocks.Lines(), TrayClocks(context).Lines());  // as a tray that never kept any

  clocks.Toggle();
  ASSERT_TRUE(clocks.shown());
  EXPECT_TRUE(clocks.window()->windowFlags() & Qt::WindowStaysOnTopHint);
  clocks.Toggle();
  EXPECT_FALSE(clocks.shown());
}

}  // namespace
}  // namespace meridiana
