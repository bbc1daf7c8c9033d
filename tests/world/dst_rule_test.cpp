#include "world/dst_rule.h"

#include <gtest/gtest.h>

#include "scoped_tz.h"

namespace meridiana {
namespace {

TransitionRule Rule(char letter, int weekday, int day, int month, int minutes = 0) {
  TransitionRule r;
  r.first = letter == 'F';
  r.onOrAfter = letter == '>';
  r.weekday = weekday;
  r.day = day;
  r.month = month;
  r.savingMinutes = minutes;
  return r;
}

TEST(ParseDstRules, PairsOfLines) {
  const auto rules = ParseDstRules(
      "EUx\tL\t0\t0\t10\t0\tend\r\n"
      "EU\tL\t0\t0\t3\t1\tstart\r\n"
      "\r\n"
      "US\t>\t0\t0\t11\t0\t\r\n"  // an empty seventh column
      "US\t>\t0\t8\t3\t1.9\t\r\n"
      "Half\tF\t6\t9\t4\t0.5\tx\r\n"
      "Half\tL\t-1\t15\t13\t-2.5\tx\r\n");
  ASSERT_EQ(rules.size(), 3u);
  EXPECT_EQ(rules[0].name, "EU");  // the second line's name is kept
  EXPECT_EQ(rules[0].end.month, 10);
  EXPECT_EQ(rules[0].end.savingMinutes, 0);
  EXPECT_EQ(rules[0].start.month, 3);
  EXPECT_EQ(rules[0].start.savingMinutes, 60);
  EXPECT_FALSE(rules[0].start.first || rules[0].start.onOrAfter);

  EXPECT_EQ(rules[1].name, "US");
  EXPECT_TRUE(rules[1].start.onOrAfter);
  EXPECT_EQ(rules[1].start.day, 8);
  EXPECT_EQ(rules[1].start.savingMinutes, 60);  // whole hours only
  EXPECT_EQ(rules[1].end.month, 11);

  EXPECT_TRUE(rules[2].end.first);
  EXPECT_EQ(rules[2].end.weekday, 6);
  EXPECT_EQ(rules[2].end.day, 9);
  EXPECT_EQ(rules[2].end.savingMinutes, 0);  // 0.5 hours store no minutes
  EXPECT_EQ(rules[2].start.weekday, -1);
  EXPECT_EQ(rules[2].start.month, 13);
  EXPECT_EQ(rules[2].start.savingMinutes, -120);
}

TEST(ParseDstRules, MissingColumnEndsReading) {
  // No TAB after column 6 on the start line: the record keeps its end change and what the
  // start line gave before the gap.
  const auto rules = ParseDstRules(
      "A\tL\t0\t0\t10\t0\tx\r\n"
      "A\tL\t0\t0\t3\t1\r\n");
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(rules[0].end.month, 10);
  EXPECT_EQ(rules[0].start.month, 3);
  EXPECT_EQ(rules[0].start.savingMinutes, 60);

  EXPECT_EQ(ParseDstRules("B\tL\t0\r\n").size(), 1u);
  EXPECT_TRUE(ParseDstRules("\r\n \t\r\n").empty());
}

TEST(TransitionDate, FirstLastFixedAndOnOrAfterInMonthsOfEveryLength) {
  // Reference dates from Python's calendar module.
  struct Case {
    TransitionRule rule;
    int year;
    CalendarDate expected;
  };
  const Case cases[] = {
      // Last weekday, counted back from the month's last day.
      {Rule('L', 0, 0, 2), 2023, {2023, 2, 26}},  // 28 days
      {Rule('L', 0, 0, 2), 2024, {2024, 2, 25}},  // 29 days
      {Rule('L', 0, 0, 4), 2025, {2025, 4, 27}},  // 30 days
      {Rule('L', 0, 0, 6), 2025, {2025, 6, 29}},
      {Rule('L', 0, 0, 9), 2025, {2025, 9, 28}},
      {Rule('L', 0, 0, 11), 2025, {2025, 11, 30}},  // the last day itself
      {Rule('L', 0, 0, 3), 2025, {2025, 3, 30}},    // 31 days
      {Rule('L', 5, 0, 10), 2025, {2025, 10, 31}},
      // First weekday from the 1st; with "F" the day column is not used.
      {Rule('F', 0, 0, 4), 2025, {2025, 4, 6}},
      {Rule('F', 0, 15, 4), 2025, {2025, 4, 6}},
      {Rule('F', 6, 0, 3), 2025, {2025, 3, 1}},  // the 1st itself
      {Rule('F', 0, 0, 2), 2024, {2024, 2, 4}},
      // Fixed dates.
      {Rule('L', 3, 29, 2), 2024, {2024, 2, 29}},
      {Rule('L', 3, 31, 3), 2025, {2025, 3, 31}},
      {Rule('L', 3, 30, 4), 2025, {2025, 4, 30}},
      // On or after a day: the second Sunday of March, the first Sunday of November.
      {Rule('>', 0, 8, 3), 2025, {2025, 3, 9}},
      {Rule('>', 0, 8, 3), 2026, {2026, 3, 8}},
      {Rule('>', 0, 0, 11), 2025, {2025, 11, 2}},  // day 0 counts as 1
      {Rule('>', 0, 1, 6), 2025, {2025, 6, 1}},
      {Rule('>', 0, 8, 2), 2024, {2024, 2, 11}},
      {Rule('>', 5, 25, 2), 2023, {2023, 3, 3}},  // runs on into the next month
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.year << "-" << c.rule.month << " weekday "
                                      << c.rule.weekday << " day " << c.rule.day);
    const auto date = TransitionDate(c.rule, c.year);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(*date, c.expected);
  }
}

TEST(TransitionDate, ImpossibleRulesNameNoDate) {
  const TransitionRule impossible[] = {
      Rule('L', 0, 0, 0),  Rule('L', 0, 0, 13),      Rule('F', 7, 0, 3),  Rule('L', -1, 0, 3),
      Rule('>', 9, 8, 3),  Rule('L', 0, 30, 2),      Rule('L', 0, 31, 4), Rule('L', 0, -3, 4),
      Rule('>', 0, 32, 1), Rule('F', 1000000, 0, 1),
  };
  for (const TransitionRule& r : impossible) {
    SCOPED_TRACE(::testing::Message()
                 << "weekday " << r.weekday << " day " << r.day << " month " << r.month);
    EXPECT_FALSE(TransitionDate(r, 2025).has_value());
  }
  EXPECT_FALSE(TransitionDate(Rule('L', 0, 29, 2), 2025).has_value());  // not a leap year
}

DstRule Northern() {  // last Sunday of March to last Sunday of October
  return DstRule{"EU", Rule('L', 0, 0, 10, 0), Rule('L', 0, 0, 3, 60)};
}
DstRule Southern() {  // first Sunday of April to first Sunday of October
  return DstRule{"AU", Rule('F', 0, 0, 4, 0), Rule('F', 0, 0, 10, 60)};
}

TEST(TransitionInstant, MidnightOfTheHostClock) {
  // Instants from Python's zoneinfo: 2025-03-30 00:00 in each zone.
  const struct {
    const char* tz;
    TimeValue expected;
  } cases[] = {
      {"UTC", 1743292800},
      {"Europe/Berlin", 1743289200},
      {"Australia/Sydney", 1743253200},
      {"America/New_York", 1743307200},
  };
  const FixedClock clock(UtcFromCalendar(2025, 7, 1));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tz);
    world_test::ScopedTz tz(c.tz);
    EXPECT_EQ(TransitionInstant(Northern().start, clock), c.expected);
  }
  // The year is that of the UTC calendar now: the year before when it is still 31 December.
  world_test::ScopedTz tz("Australia/Sydney");
  const FixedClock newYearsEve(UtcFromCalendar(2025, 12, 31, 20, 0, 0));  // 1 Jan in Sydney
  EXPECT_EQ(TransitionInstant(Northern().start, newYearsEve), 1743253200);
}

TEST(SavingMinutesAt, NorthernAndSouthernRulesOnBothSidesOfEachChange) {
  world_test::ScopedTz tz("UTC");
  struct Case {
    DstRule rule;
    TimeValue now;
    int expected;
  };
  const Case cases[] = {
      {Northern(), UtcFromCalendar(2025, 7, 15), 60},
      {Northern(), UtcFromCalendar(2025, 12, 15), 0},
      {Northern(), UtcFromCalendar(2025, 1, 15), 0},
      {Northern(), UtcFromCalendar(2025, 3, 30) - 1, 0},
      {Northern(), UtcFromCalendar(2025, 3, 30), 60},
      {Northern(), UtcFromCalendar(2025, 10, 26) - 1, 60},
      {Northern(), UtcFromCalendar(2025, 10, 26), 0},
      {Southern(), UtcFromCalendar(2025, 1, 15), 60},
      {Southern(), UtcFromCalendar(2025, 6, 15), 0},
      {Southern(), UtcFromCalendar(2025, 12, 15), 60},
      {Southern(), UtcFromCalendar(2025, 4, 6) - 1, 60},
      {Southern(), UtcFromCalendar(2025, 4, 6), 0},
      {Southern(), UtcFromCalendar(2025, 10, 5) - 1, 0},
      {Southern(), UtcFromCalendar(2025, 10, 5), 60},
      // A rule that names no date gives no saving, on either side of the year.
      {DstRule{"X", Rule('L', 0, 0, 10), Rule('L', 0, 0, 13, 60)}, UtcFromCalendar(2025, 7, 1), 0},
      {DstRule{"X", Rule('F', 8, 0, 4), Rule('F', 0, 0, 10, 60)}, UtcFromCalendar(2025, 1, 1), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rule.name << " at " << c.now);
    EXPECT_EQ(SavingMinutesAt(c.rule, FixedClock(c.now)), c.expected);
  }
}

TEST(SavingMinutesAt, ChangeTakesEffectAtTheExactSecondOfHostMidnight) {
  // With the host in Berlin, the change of 30 March 2025 happens at 2025-03-29T23:00:00Z.
  world_test::ScopedTz tz("Europe/Berlin");
  const TimeValue change = 1743289200;
  EXPECT_EQ(SavingMinutesAt(Northern(), FixedClock(change - 1)), 0);
  EXPECT_EQ(SavingMinutesAt(Northern(), FixedClock(change)), 60);
  // And the end of 26 October: 00:00 in Berlin is still summer time, 2025-10-25T22:00:00Z.
  const TimeValue back = 1761429600;
  EXPECT_EQ(SavingMinutesAt(Northern(), FixedClock(back - 1)), 60);
  EXPECT_EQ(SavingMinutesAt(Northern(), FixedClock(back)), 0);
}

}  // namespace
}  // namespace meridiana
