#include "foundation/clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/temp_dir.h"

namespace meridiana {
namespace {

// Reference values from Python's calendar.timegm and datetime (proleptic Gregorian, UTC).
struct DateCase {
  int year, month, day, hour, minute, second;
  TimeValue t;
  int weekday;  // 0 = Sunday
  int yearDay;  // 0-based
};

constexpr DateCase kDates[] = {
    {1969, 12, 31, 23, 59, 59, -1, 3, 364},
    {1970, 1, 1, 0, 0, 0, 0, 4, 0},
    {2000, 2, 29, 12, 0, 0, 951825600, 2, 59},
    {2100, 2, 28, 23, 59, 59, 4107542399, 0, 58},
    {2100, 3, 1, 0, 0, 0, 4107542400, 1, 59},  // 2100 is no leap year
    {1900, 3, 1, 0, 0, 0, -2203891200, 4, 59},
    {2024, 12, 31, 6, 30, 15, 1735626615, 2, 365},
    {1600, 1, 1, 0, 0, 0, -11676096000, 6, 0},
    {2038, 1, 19, 3, 14, 8, 2147483648, 2, 18},  // past the 32-bit limit
};

TEST(Clock, UtcCalendarArithmeticAgainstKnownDates) {
  for (const DateCase& d : kDates) {
    SCOPED_TRACE(d.t);
    EXPECT_EQ(UtcFromCalendar(d.year, d.month, d.day, d.hour, d.minute, d.second), d.t);
    const CalendarTime c = UtcBreakdown(d.t);
    EXPECT_EQ(c.year, d.year);
    EXPECT_EQ(c.month, d.month);
    EXPECT_EQ(c.day, d.day);
    EXPECT_EQ(c.hour, d.hour);
    EXPECT_EQ(c.minute, d.minute);
    EXPECT_EQ(c.second, d.second);
    EXPECT_EQ(c.weekday, d.weekday);
    EXPECT_EQ(c.yearDay, d.yearDay);
  }
}

TEST(Clock, DaysInMonth) {
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
  EXPECT_EQ(DaysInMonth(2023, 0), 0);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(Clock, EveryDayOfFourCenturiesRoundTrips) {
  // 1900..2300 covers both century rules; each day's midnight must survive the round trip and
  // follow the previous one by exactly one day.
  TimeValue previous = UtcFromCalendar(1899, 12, 31);
  for (int y = 1900; y < 2300; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(y, m); ++d) {
        const TimeValue t = UtcFromCalendar(y, m, d);
        ASSERT_EQ(t - previous, 86400) << y << "-" << m << "-" << d;
        const CalendarTime c = UtcBreakdown(t + 86399);
        ASSERT_TRUE(c.year == y && c.month == m && c.day == d && c.hour == 23) << t;
        previous = t;
      }
    }
  }
}

class HostZone {
 public:
  explicit HostZone(const char* tz) : env_("TZ", tz) { tzset(); }
  ~HostZone() { tzset(); }

 private:
  ScopedEnv env_;
};

TEST(Clock, HostCalendarFollowsTz) {
  HostZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  FixedClock clock(1711846800);  // 2024-03-31 01:00 UTC: summer time starts
  EXPECT_EQ(clock.Now(), 1711846800);
  CalendarTime c = clock.HostLocal(clock.Now() - 1);
  EXPECT_EQ(c.hour, 1);
  EXPECT_EQ(c.minute, 59);
  c = clock.HostLocal(clock.Now());
  EXPECT_EQ(c.hour, 3);
  EXPECT_EQ(c.day, 31);
  EXPECT_EQ(c.weekday, 0);
  EXPECT_EQ(clock.FromHostLocal(2024, 3, 31, 3, 0, 0), 1711846800);
  EXPECT_EQ(clock.FromHostLocal(2024, 7, 1, 12, 0, 0), 1719828000);
  clock.Advance(3600);
  EXPECT_EQ(clock.Now(), 1711850400);
  clock.Set(0);
  EXPECT_EQ(clock.HostLocal(0).hour, 1);
}

// The host zone's answers are kept between calls; they must be mktime's own at every step, across
// the zone's changes (Berlin's at 02:00 and 03:00, Santiago's at midnight, where midnight falls
// in a gap or comes twice) and when TZ changes between two calls, even without tzset.
TEST(Clock, KeptHostAnswersAreMktimesAcrossChangesOfTheZoneAndOfTz) {
  struct Window {
    const char* tz;
    int year, month, day;  // the first of the days asked, every quarter hour for three days
  };
  const Window windows[] = {{"Europe/Berlin", 2027, 3, 27},
                            {"Europe/Berlin", 2027, 10, 30},
                            {"America/Santiago", 2027, 4, 3},
                            {"America/Santiago", 2027, 9, 4},
                            {"America/New_York", 2027, 3, 13},
                            {"Europe/Berlin", 2027, 3, 27},
                            {"CET-1CEST,M3.5.0,M10.5.0/3", 2027, 3, 27}};
  const FixedClock clock(0);
  for (const Window& w : windows) {
    HostZone zone(w.tz);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from what was kept
      for (int quarter = 0; quarter < 3 * 96; ++quarter) {
        const int day = w.day + quarter / 96;
        const int hour = quarter % 96 / 4;
        const int minute = quarter % 4 * 15;
        ASSERT_EQ(clock.FromHostLocal(w.year, w.month, day, hour, minute, 0),
                  HostMktime(w.year, w.month, day, hour, minute, 0))
            << w.tz << " " << w.month << "-" << day << " " << hour << ":" << minute;
        // The midnights the daylight-saving rules ask for, over and over between the others.
        ASSERT_EQ(clock.FromHostLocal(w.year, w.month, w.day + 1, 0, 0, 0),
                  HostMktime(w.year, w.month, w.day + 1, 0, 0, 0))
            << w.tz;
      }
    }
  }
  // TZ set and changed behind the clock's back, without tzset: the next answer is the new zone's.
  HostZone berlin("Europe/Berlin");
  const TimeValue inBerlin = clock.FromHostLocal(2027, 7, 1, 0, 0, 0);
  EXPECT_EQ(inBerlin, UtcFromCalendar(2027, 6, 30, 22));
  ScopedEnv tokyo("TZ", "Asia/Tokyo");
  EXPECT_EQ(clock.FromHostLocal(2027, 7, 1, 0, 0, 0), UtcFromCalendar(2027, 6, 30, 15));
}

}  // namespace
}  // namespace meridiana
