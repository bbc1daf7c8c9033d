#include "foundation/clock.h"

#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <optional>

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
  EXPECT_EQ(clock.FromHostLocal(2024, 3, 31, 3, 0, 0), TimeValue{1711846800});
  EXPECT_EQ(clock.FromHostLocal(2024, 7, 1, 12, 0, 0), TimeValue{1719828000});
  clock.Advance(3600);
  EXPECT_EQ(clock.Now(), 1711850400);
  clock.Set(0);
  EXPECT_EQ(clock.HostLocal(0).hour, 1);
}

// A typed host wall time is the first instant whose host clock shows it, or nothing when the
// clocks skip it, by the C library's own localtime_r as the reference: every quarter hour of
// three days across changes at 02:00 and 03:00 (Berlin), at midnight (Santiago, Havana, where
// midnight falls in a gap or comes twice), of half an hour (Lord Howe) and by a POSIX rule,
// asked twice over with TZ changing between the zones.
TEST(Clock, HostWallTimesAreTheirFirstOccurrenceByTheCLibrary) {
  struct Window {
    const char* tz;
    int year, month, day;
  };
  const Window windows[] = {{"Europe/Berlin", 2027, 3, 27},     {"Europe/Berlin", 2027, 10, 30},
                            {"America/Santiago", 2027, 4, 3},   {"America/Santiago", 2027, 9, 4},
                            {"America/Havana", 2027, 11, 6},    {"America/Havana", 2027, 3, 13},
                            {"Australia/Lord_Howe", 2027, 4, 3}, {"Australia/Lord_Howe", 2027, 10, 2},
                            {"CET-1CEST,M3.5.0,M10.5.0/3", 2027, 3, 27}};
  const FixedClock clock(0);
  for (int pass = 0; pass < 2; ++pass) {
    for (const Window& w : windows) {
      HostZone zone(w.tz);  // tzset for the reference; the clock reads TZ itself
      // The first instant, at quarter-hour steps, at which the C library shows each wall time.
      std::map<TimeValue, TimeValue> first;
      const TimeValue from = UtcFromCalendar(w.year, w.month, w.day) - 2 * 86400;
      for (TimeValue t = from; t < from + 7 * 86400; t += 900) {
        const std::time_t tt = static_cast<std::time_t>(t);
        std::tm tm{};
        ASSERT_TRUE(localtime_r(&tt, &tm));
        const TimeValue wall = UtcFromCalendar(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                               tm.tm_hour, tm.tm_min, tm.tm_sec);
        first.emplace(wall, t);
      }
      for (int quarter = 0; quarter < 3 * 96; ++quarter) {
        const TimeValue wall = UtcFromCalendar(w.year, w.month, w.day) + quarter * 900;
        const CalendarTime c = UtcBreakdown(wall);
        const auto expected = first.find(wall);
        const std::optional<TimeValue> got =
            clock.FromHostLocal(c.year, c.month, c.day, c.hour, c.minute, 0);
        if (expected == first.end()) {
          EXPECT_FALSE(got) << w.tz << " " << c.month << "-" << c.day << " " << c.hour << ":"
                            << c.minute << " is skipped";
        } else {
          EXPECT_EQ(got, std::optional<TimeValue>(expected->second))
              << w.tz << " " << c.month << "-" << c.day << " " << c.hour << ":" << c.minute;
        }
        if (got) {
          const CalendarTime h = clock.HostLocal(*got);
          EXPECT_EQ(UtcFromCalendar(h.year, h.month, h.day, h.hour, h.minute), wall);
        }
      }
    }
  }
}

}  // namespace
}  // namespace meridiana
