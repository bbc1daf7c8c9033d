// The planner against the computer's zone files. Expected wall clocks are read off
// `zdump -v -c 2027,2028 ZONE` (IANA data 2025b): each change's last second before and first after.

#include "world/meeting_plan.h"

#include <gtest/gtest.h>

#include "foundation/zone_file.h"
#include "scoped_tz.h"

namespace meridiana {
namespace {

OffsetSource ZoneSource(const char* name) {
  const std::optional<ZoneFile> file = LoadZoneFile(SystemZoneFolder(), name);
  if (!file) return nullptr;
  return [zone = *file](TimeValue t) { return zone.OffsetAt(t); };
}

std::string Wall(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  char text[32];
  std::snprintf(text, sizeof text, "%02d %02d:%02d", c.day, c.hour, c.minute);
  return text;
}

TEST(PlanMeeting, SavingChangesShowTheSkippedAndRepeatedHours) {
  // Two consecutive UTC hours around each change, and the wall clock each shows.
  const struct {
    const char* zone;
    TimeValue before;  // the hour before the change
    const char* wallBefore;
    const char* wallAfter;  // one hour of UTC later
  } cases[] = {
      {"Europe/London", UtcFromCalendar(2027, 3, 28, 0), "28 00:00", "28 02:00"},
      {"Europe/London", UtcFromCalendar(2027, 10, 31, 0), "31 01:00", "31 01:00"},
      {"America/New_York", UtcFromCalendar(2027, 3, 14, 6), "14 01:00", "14 03:00"},
      {"America/New_York", UtcFromCalendar(2027, 11, 7, 5), "07 01:00", "07 01:00"},
      // Half an hour of saving: 02:00 turns into 01:30, and 02:00 into 02:30.
      {"Australia/Lord_Howe", UtcFromCalendar(2027, 4, 3, 14), "04 01:00", "04 01:30"},
      {"Australia/Lord_Howe", UtcFromCalendar(2027, 10, 2, 15), "03 01:30", "03 03:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.wallBefore);
    const OffsetSource source = ZoneSource(c.zone);
    if (!source) GTEST_SKIP() << "no zone file for " << c.zone;
    const auto plan = PlanMeeting({source}, {c.before, c.before + 3600}, WorkingHours{});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(Wall(plan[0].cells[0].wallClock), c.wallBefore);
    EXPECT_EQ(Wall(plan[1].cells[0].wallClock), c.wallAfter);
  }
}

TEST(PlanMeeting, LondonNewYorkTokyoOnTheEuropeanChangeDay) {
  testing::ScopedTz tz("UTC");
  const SystemClock host;
  std::vector<OffsetSource> places;
  for (const char* zone : {"Europe/London", "America/New_York", "Asia/Tokyo"}) {
    places.push_back(ZoneSource(zone));
    if (!places.back()) GTEST_SKIP() << "no zone file for " << zone;
  }
  const auto planned = PlanHostDay(places, host, 2027, 3, 28, WorkingHours{});
  ASSERT_TRUE(planned && planned->size() == 24u);
  const std::vector<PlanHour>& three = *planned;
  // London works 08-16 UTC (summer time from 01 UTC), New York 13-21, Tokyo 00-08.
  EXPECT_EQ(CommonRunsText(three), "none");
  EXPECT_TRUE(three[8].cells[0].working);
  EXPECT_FALSE(three[7].cells[0].working);
  EXPECT_TRUE(three[3].cells[1].night);  // 23:00 on Saturday in New York
  EXPECT_EQ(Wall(three[3].cells[1].wallClock), "27 23:00");

  places.pop_back();
  const auto two = PlanHostDay(places, host, 2027, 3, 28, WorkingHours{});
  EXPECT_EQ(CommonRunsText(two.value()), "13:00-16:00 UTC (3 h)");
  const auto longer = PlanHostDay(places, host, 2027, 3, 28, WorkingHours{7, 19});
  EXPECT_EQ(CommonRunsText(longer.value()), "11:00-18:00 UTC (7 h)");
}

TEST(PlanMeeting, CityAcrossTheDateLineHasTheSameHourOnAnotherDay) {
  const OffsetSource kiritimati = ZoneSource("Pacific/Kiritimati");
  const OffsetSource honolulu = ZoneSource("Pacific/Honolulu");
  if (!kiritimati || !honolulu) GTEST_SKIP() << "no zone files for the Pacific";
  const TimeValue t = UtcFromCalendar(2027, 3, 28, 20);
  const auto plan = PlanMeeting({kiritimati, honolulu}, {t}, WorkingHours{});
  EXPECT_EQ(Wall(plan[0].cells[0].wallClock), "29 10:00");
  EXPECT_EQ(Wall(plan[0].cells[1].wallClock), "28 10:00");
  EXPECT_TRUE(plan[0].common);  // both at work, a day apart
}

TEST(PlanHostDay, TheHostsOwnChangeDaysAreShorterOrLonger) {
  const struct {
    const char* tz;
    int year, month, day;
    std::size_t hours;
    TimeValue first;
  } cases[] = {
      {"Europe/London", 2027, 3, 28, 23, UtcFromCalendar(2027, 3, 28)},
      {"Europe/London", 2027, 10, 31, 25, UtcFromCalendar(2027, 10, 30, 23)},
      {"America/New_York", 2027, 3, 14, 23, UtcFromCalendar(2027, 3, 14, 5)},
      // 24 hours and a half: the last column is the half hour left.
      {"Australia/Lord_Howe", 2027, 4, 4, 25, UtcFromCalendar(2027, 4, 3, 13)},
      {"Asia/Tokyo", 2027, 3, 28, 24, UtcFromCalendar(2027, 3, 27, 15)},
      {"UTC", 2027, 2, 29, 0, 0},  // no such date
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tz);
    testing::ScopedTz tz(c.tz);
    const auto plan = PlanHostDay({}, SystemClock(), c.year, c.month, c.day, WorkingHours{});
    ASSERT_EQ(plan ? plan->size() : 0u, c.hours);
    if (plan && !plan->empty()) {
      EXPECT_EQ(plan->front().utc, c.first);
    }
  }
}

TEST(PlanMeeting, WorkingHoursCoverWholeHoursOnly) {
  // Fixed offsets: +05:30 has 16:30-17:30 outside 9-17, +00:00 ends with 16:00-17:00.
  const OffsetSource india = [](TimeValue) { return 5 * 3600 + 1800; };
  const OffsetSource utc = [](TimeValue) { return 0; };
  std::vector<TimeValue> hours;
  for (int h = 0; h < 24; ++h) hours.push_back(UtcFromCalendar(2027, 1, 4, h));
  const auto plan = PlanMeeting({india, utc}, hours, WorkingHours{});
  EXPECT_EQ(CommonRunsText(plan), "09:00-11:00 UTC (2 h)");  // India's 14:30 to 16:30
  EXPECT_FALSE(plan[3].cells[0].working);                    // 08:30 starts before 09:00
  EXPECT_TRUE(plan[4].cells[0].working);
  EXPECT_FALSE(plan[11].cells[0].working);  // 16:30 runs past 17:00
  EXPECT_TRUE(plan[16].cells[1].working);
  EXPECT_FALSE(plan[17].cells[1].working);
  EXPECT_TRUE(plan[22].cells[1].night);
  EXPECT_FALSE(plan[21].cells[1].night);
  EXPECT_EQ(CommonRunsText(PlanMeeting({}, hours, WorkingHours{})), "none");
}

TEST(WorkingHours, ParsedAndRefused) {
  EXPECT_EQ(ParseWorkingHours("9-17"), (WorkingHours{9, 17}));
  EXPECT_EQ(ParseWorkingHours("0-24"), (WorkingHours{0, 24}));
  EXPECT_EQ(FormatWorkingHours(WorkingHours{8, 18}), "8-18");
  for (const char* bad : {"", "9", "17-9", "9-9", "9-25", "-1-5", "9-17x", "a-b", "009-17"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseWorkingHours(bad).has_value());
  }
}

}  // namespace
}  // namespace meridiana
