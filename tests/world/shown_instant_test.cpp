#include "world/shown_instant.h"

#include <gtest/gtest.h>

#include "scoped_tz.h"

namespace meridiana {
namespace {

TEST(ShownClock, ShowsTheSetInstantUntilLiveAgain) {
  FixedClock live(UtcFromCalendar(2027, 3, 26, 12, 0, 7));
  ShownClock shown(live);
  EXPECT_TRUE(shown.live());
  live.Advance(60);
  EXPECT_EQ(shown.Now(), live.Now());  // follows the live clock
  shown.Show(UtcFromCalendar(2027, 3, 28, 14));
  live.Advance(60);
  EXPECT_EQ(shown.Now(), UtcFromCalendar(2027, 3, 28, 14));  // stands still
  shown.ShowLive();
  EXPECT_EQ(shown.Now(), live.Now());
}

TEST(TimeBar, PositionsAndTheirEnds) {
  const TimeValue now = UtcFromCalendar(2027, 3, 26, 12, 7, 30);
  const TimeValue base = TimeBarBase(now);
  EXPECT_EQ(base, UtcFromCalendar(2027, 3, 26, 12, 0));
  EXPECT_EQ(TimeBarBase(-1), -900);  // before 1970 too, toward the past
  const struct {
    int position;
    TimeValue instant;
  } cases[] = {
      {0, base},
      {1, base + 900},
      {-4, base - 3600},
      {672, base + 7 * 86400},   // the right end
      {-672, base - 7 * 86400},  // the left end
      {673, base + 7 * 86400},   // held at the ends
      {-100000, base - 7 * 86400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(TimeBarInstant(base, c.position), c.instant);
  }
  EXPECT_EQ(TimeBarPosition(base, base + 899), 0);
  EXPECT_EQ(TimeBarPosition(base, base - 1), -1);
  EXPECT_EQ(TimeBarPosition(base, base + 30 * 86400), kTimeBarSteps);
  EXPECT_EQ(TimeBarPosition(base, base - 7 * 86400 - 900), -kTimeBarSteps);
}

TEST(ParseHostDateTime, RefusesWhatTheHostCalendarDoesNotHave) {
  const struct {
    const char* tz;
    const char* text;
    HostTimeError error;
    TimeValue instant;
  } cases[] = {
      {"Europe/Berlin", "2027-03-28 14:00", HostTimeError::kNone, UtcFromCalendar(2027, 3, 28, 12)},
      {"Europe/Berlin", " 2027-03-28T01:59:30 ", HostTimeError::kNone,
       UtcFromCalendar(2027, 3, 28, 0, 59, 30)},
      {"Europe/Berlin", "2027-02-30 10:00", HostTimeError::kNoSuchDate, kNoTime},
      {"Europe/Berlin", "2028-02-29 10:00", HostTimeError::kNone, UtcFromCalendar(2028, 2, 29, 9)},
      {"Europe/Berlin", "2027-13-01 10:00", HostTimeError::kNoSuchDate, kNoTime},
      {"Europe/Berlin", "2027-03-28 02:30", HostTimeError::kNoSuchTime, kNoTime},  // skipped
      {"Europe/Berlin", "2027-03-28 03:00", HostTimeError::kNone, UtcFromCalendar(2027, 3, 28, 1)},
      {"America/New_York", "2027-03-14 02:30", HostTimeError::kNoSuchTime, kNoTime},
      {"America/New_York", "2027-03-28 02:30", HostTimeError::kNone,
       UtcFromCalendar(2027, 3, 28, 6, 30)},
      {"Australia/Lord_Howe", "2027-10-03 02:15", HostTimeError::kNoSuchTime, kNoTime},
      {"Europe/Berlin", "2027-03-28 24:00", HostTimeError::kNoSuchTime, kNoTime},
      {"Europe/Berlin", "2027-03-28 12:60", HostTimeError::kNoSuchTime, kNoTime},
      {"Europe/Berlin", "28.03.2027 12:00", HostTimeError::kForm, kNoTime},
      {"Europe/Berlin", "2027-03-28", HostTimeError::kForm, kNoTime},
      {"Europe/Berlin", "2027-03-28 1:00", HostTimeError::kForm, kNoTime},
      {"Europe/Berlin", "", HostTimeError::kForm, kNoTime},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tz) + " '" + c.text + "'");
    testing::ScopedTz tz(c.tz);
    const HostTimeInput input = ParseHostDateTime(c.text, SystemClock());
    EXPECT_EQ(input.error, c.error);
    if (c.error == HostTimeError::kNone) {
      EXPECT_EQ(input.instant, c.instant);
    }
  }
  // A repeated hour of a fall-back day is taken, and written back the same.
  testing::ScopedTz tz("Europe/Berlin");
  const HostTimeInput repeated = ParseHostDateTime("2027-10-31 02:30", SystemClock());
  ASSERT_EQ(repeated.error, HostTimeError::kNone);
  EXPECT_EQ(FormatHostDateTime(repeated.instant, SystemClock()), "2027-10-31 02:30");
}

TEST(ShownInstantText, TheTitlesWeekdayClockAndDistance) {
  testing::ScopedTz tz("Europe/Berlin");
  const SystemClock host;
  const TimeValue now = UtcFromCalendar(2027, 3, 24, 22, 30);  // Wed 23:30 in Berlin
  const struct {
    TimeValue shown;
    const char* text;
  } cases[] = {
      {UtcFromCalendar(2027, 3, 26, 13), "Fri 14:00 (+2 d)"},
      {UtcFromCalendar(2027, 3, 24, 23), "Thu 00:00 (+1 d)"},  // 30 minutes, but tomorrow
      {UtcFromCalendar(2027, 3, 24, 19, 15), "Wed 20:15 (-3 h)"},
      {UtcFromCalendar(2027, 3, 24, 22, 45), "Wed 23:45 (+15 min)"},
      {UtcFromCalendar(2027, 3, 17, 22, 30), "Wed 23:30 (-7 d)"},
      // Across the spring-forward night: calendar days, not 24-hour spans.
      {UtcFromCalendar(2027, 3, 28, 22, 30), "Mon 00:30 (+5 d)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ShownInstantText(c.shown, now, host, EnglishWeekdays()), c.text);
  }
}

}  // namespace
}  // namespace meridiana
