#include "shell/window/title_clock.h"

#include <gtest/gtest.h>

#include "world/scoped_tz.h"

namespace meridiana {
namespace {

// The title follows the host's wall clock, not UTC, and drops the name and the seconds while
// minimised.
TEST(TitleClock, HostWallClockWithAndWithoutName) {
  const TimeValue at = UtcFromCalendar(2005, 4, 5, 9, 5, 3);
  struct Row {
    const char* zone;
    bool minimised;
    const char* title;
  };
  const Row rows[] = {
      {"UTC", false, "Quillary Meridiana - 09:05:03"},
      {"UTC", true, "09:05"},
      {"Asia/Kolkata", false, "Quillary Meridiana - 14:35:03"},
      {"America/New_York", true, "05:05"},  // daylight saving already in force on 5 April
  };
  for (const Row& row : rows) {
    testing::ScopedTz tz(row.zone);
    const FixedClock clock(at);
    EXPECT_EQ(TitleClockText(clock, row.minimised), row.title) << row.zone;
  }
}

TEST(TitleClock, NoInstantLeavesTheDisplayName) {
  const FixedClock clock(kNoTime);
  EXPECT_EQ(TitleClockText(clock, false), "Quillary Meridiana");
  EXPECT_EQ(TitleClockText(clock, true), "Quillary Meridiana");
  // The first second of 1970 is an instant like any other.
  testing::ScopedTz tz("UTC");
  EXPECT_EQ(TitleClockText(FixedClock(0), false), "Quillary Meridiana - 00:00:00");
}

// Another instant than the present: its weekday and clock and how far it is, name dropped while
// minimised.
TEST(TitleClock, ShownInstant) {
  testing::ScopedTz tz("Europe/London");
  const SystemClock host;
  const TimeValue now = UtcFromCalendar(2027, 3, 24, 9, 0);
  EXPECT_EQ(ShownTitleText(host, UtcFromCalendar(2027, 3, 26, 14), now, false, EnglishWeekdays()),
            "Quillary Meridiana - Fri 14:00 (+2 d)");
  WeekdayNames german = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  EXPECT_EQ(ShownTitleText(host, UtcFromCalendar(2027, 3, 28, 13), now, true, german),
            "So 14:00 (+4 d)");  // summer time from 28 March
}

}  // namespace
}  // namespace meridiana
