#pragma once
// The clock and date texts the user sees: the window title clock, the clock under the pointer,
// the marked-city labels and the fields of the Properties dialog.
//
// kNoTime stands for "no time at all" in every formatter.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "world/locale_info.h"

namespace meridiana {

// Fills a template from the host's local calendar at `time`. Tokens, replaced in this order:
// "YYYY" year, "YY" year - 2000 unpadded, "MM" month 1-12 unpadded, "DD" day unpadded (these four
// upper case only), then in any letter case "MON" Jan..Dec, "HH" hour, "MI" minute, "SS" and "SE"
// second (two digits each). Text that one step inserted is never searched by a later step, so
// "DD MON" on 7 September gives "7 Sep", not "7 <seconds>p".
// Nothing for kNoTime.
std::optional<std::string> FormatTimeTemplate(const Clock& clock, TimeValue time,
                                              std::string_view templ);

// Date orders of FormatUtcDateTime.
inline constexpr int kMonthDayYear = 0;
inline constexpr int kDayMonthYear = 1;
inline constexpr int kYearMonthDay = 2;

// "MM/DD/YY HH:MM:SS" (by `order`) from the UTC calendar, with the locale's date separator
// ("/" when it has none). Given local time values (shifted so that their UTC breakdown is a
// place's wall clock). kNoTime gives "00/00/00 00:00:00"; an unknown order or a time the calendar
// cannot break down gives the empty text. The year is the year within its century.
std::string FormatUtcDateTime(TimeValue time, int order, const LocaleInfo& locale);

// A date and time as a person reads it: the locale's short date where it has one, then
// "HH:MM:SS"; otherwise the month/day/year layout of FormatUtcDateTime. From the UTC calendar.
std::string ReadableDateTime(TimeValue time, const LocaleInfo& locale);

// "MM/DD/YY HH:MM:SS" (month first) or "DD/MM/YY HH:MM:SS" from the host's local calendar, always
// with "/". kNoTime gives "00/00/00 00:00:00".
std::string FormatLocalDateTime(const Clock& clock, TimeValue time, bool monthFirst);

// The part after the first blank of a fixed layout: the clock time.
std::string_view ClockPart(std::string_view dateTime);

}  // namespace meridiana
