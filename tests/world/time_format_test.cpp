#include "world/time_format.h"

#include <gtest/gtest.h>

#include "scoped_tz.h"

namespace meridiana {
namespace {

using testing::ScopedTz;

TEST(FormatTimeTemplate, Tokens) {
  ScopedTz tz("UTC0");
  const SystemClock clock;
  const TimeValue apr5 = UtcFromCalendar(2005, 4, 5, 9, 5, 3);
  const TimeValue sep7 = UtcFromCalendar(2005, 9, 7, 9, 5, 3);
  struct Row {
    TimeValue t;
    const char* templ;
    const char* expected;
  };
  const Row rows[] = {
      {apr5, "DD MON", "5 Apr"},
      {sep7, "DD MON", "7 Sep"},  // "Sep" is inserted text: its "Se" is no seconds token
      {apr5, "HH:MI:SS", "09:05:03"},
      {apr5, "HH:MI", "09:05"},
      {apr5, "YYYY-MM-DD", "2005-4-5"},
      {apr5, "YY", "5"},
      {UtcFromCalendar(1999, 4, 5), "YY", "-1"},
      {apr5, "hh:mi:ss se", "09:05:03 03"},  // later tokens in any case
      {apr5, "mon Mon MON", "Apr Apr Apr"},
      {apr5, "yyyy mm dd", "yyyy mm dd"},  // the numeric tokens only in upper case
      {apr5, "YYYYY", "2005Y"},
      {UtcFromCalendar(2005, 12, 31, 23, 59, 58), "DD.MM.YYYY HH:MI:SE", "31.12.2005 23:59:58"},
      {UtcFromCalendar(2005, 5, 6), "MON", "May"},
      // A replacement never matches in its own or an earlier inserted text: "MM" gives "12",
      // then "DD" must not see anything of it; "SS" gives digits only.
      {UtcFromCalendar(2005, 12, 4, 0, 0, 0), "MMDD", "124"},
      {apr5, "no tokens here", "no tokens here"},
      {apr5, "", ""},
  };
  for (const Row& r : rows) {
    const auto text = FormatTimeTemplate(clock, r.t, r.templ);
    ASSERT_TRUE(text.has_value()) << r.templ;
    EXPECT_EQ(*text, r.expected) << r.templ;
  }
  EXPECT_FALSE(FormatTimeTemplate(clock, kNoTime, "HH:MI").has_value());
}

TEST(FormatTimeTemplate, UsesTheHostZone) {
  ScopedTz tz("XST-3");  // three hours east of UTC
  const SystemClock clock;
  const TimeValue t = UtcFromCalendar(2005, 4, 5, 22, 30, 0);
  EXPECT_EQ(FormatTimeTemplate(clock, t, "DD MON HH:MI").value(), "6 Apr 01:30");
}

TEST(FormatUtcDateTime, OrdersAndSeparator) {
  const TimeValue t = UtcFromCalendar(2005, 4, 5, 9, 5, 3);
  const FixedLocaleInfo dot(".");
  EXPECT_EQ(FormatUtcDateTime(t, kMonthDayYear, dot), "04.05.05 09:05:03");
  EXPECT_EQ(FormatUtcDateTime(t, kDayMonthYear, dot), "05.04.05 09:05:03");
  EXPECT_EQ(FormatUtcDateTime(t, kYearMonthDay, dot), "05.04.05 09:05:03");
  const TimeValue t2 = UtcFromCalendar(2019, 11, 28, 23, 0, 59);
  EXPECT_EQ(FormatUtcDateTime(t2, kYearMonthDay, dot), "19.11.28 23:00:59");
  EXPECT_EQ(FormatUtcDateTime(t2, kDayMonthYear, FixedLocaleInfo("-")), "28-11-19 23:00:59");

  // No separator from the platform gives "/"; an over-long one is cut to 7 bytes.
  EXPECT_EQ(FormatUtcDateTime(t, kMonthDayYear, FixedLocaleInfo("")), "04/05/05 09:05:03");
  EXPECT_EQ(FormatUtcDateTime(t, kMonthDayYear, FixedLocaleInfo("abcdefghij")),
            "04abcdefg05abcdefg05 09:05:03");
  // A separator with printf directives is printed as it is.
  EXPECT_EQ(FormatUtcDateTime(t, kMonthDayYear, FixedLocaleInfo("%s%n")),
            "04%s%n05%s%n05 09:05:03");
}

TEST(FormatUtcDateTime, SpecialValues) {
  const FixedLocaleInfo dot(".");
  EXPECT_EQ(FormatUtcDateTime(kNoTime, kMonthDayYear, dot), "00/00/00 00:00:00");
  EXPECT_EQ(FormatUtcDateTime(0, kMonthDayYear, dot), "01.01.70 00:00:00");  // a real instant
  EXPECT_EQ(FormatUtcDateTime(UtcFromCalendar(2005, 4, 5), 3, dot), "");
  EXPECT_EQ(FormatUtcDateTime(UtcFromCalendar(2005, 4, 5), -1, dot), "");
  // The year within its century, also outside 2000..2099.
  EXPECT_EQ(FormatUtcDateTime(UtcFromCalendar(1999, 12, 31, 23, 59, 59), 0, dot),
            "12.31.99 23:59:59");
  EXPECT_EQ(FormatUtcDateTime(UtcFromCalendar(2100, 1, 2, 3, 4, 5), 0, dot), "01.02.00 03:04:05");
  EXPECT_EQ(FormatUtcDateTime(-1, 0, dot), "12.31.69 23:59:59");
  // Beyond any calendar: empty, not garbage.
  EXPECT_EQ(FormatUtcDateTime(INT64_MAX, 0, dot), "");
}

TEST(FormatLocalDateTime, HostCalendarWithSlashes) {
  {
    ScopedTz tz("UTC0");
    const SystemClock clock;
    const TimeValue t = UtcFromCalendar(2005, 4, 5, 9, 5, 3);
    const std::string monthFirst = FormatLocalDateTime(clock, t, true);
    EXPECT_EQ(monthFirst, "04/05/05 09:05:03");
    EXPECT_EQ(ClockPart(monthFirst), "09:05:03");
    EXPECT_EQ(FormatLocalDateTime(clock, t, false), "05/04/05 09:05:03");
    EXPECT_EQ(FormatLocalDateTime(clock, kNoTime, true), "00/00/00 00:00:00");
    EXPECT_EQ(FormatLocalDateTime(clock, 0, true), "01/01/70 00:00:00");
    EXPECT_EQ(FormatTimeTemplate(clock, 0, "YYYY-MM-DD HH:MI").value_or("none"), "1970-1-1 00:00");
  }
  ScopedTz tz("XST+5");  // five hours west of UTC
  const SystemClock clock;
  EXPECT_EQ(FormatLocalDateTime(clock, UtcFromCalendar(2005, 4, 5, 3, 0, 0), true),
            "04/04/05 22:00:00");
}

}  // namespace
}  // namespace meridiana
