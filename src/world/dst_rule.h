#pragma once
// Daylight-saving rules from tz_dst.dat: each rule is a pair of yearly changes, the return to
// standard time and the start of saving, each taking effect at midnight by the host's clock.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

struct TransitionRule {
  int weekday = 0;         // 0 = Sunday ... 6 = Saturday
  int day = 0;             // day of the month, or 0
  int month = 0;           // 1 = January ... 12 = December
  bool first = false;      // letter "F": the first such weekday of the month
  bool onOrAfter = false;  // letter ">": the first such weekday on or after `day`
  int savingMinutes = 0;   // the saving in force from this change on
};

struct DstRule {
  std::string name;      // matched exactly against a zone's rule name
  TransitionRule end;    // first line of the pair: back to standard time
  TransitionRule start;  // second line: the start of saving
};

// Reads tz_dst.dat text: two lines per rule, the end line first. Each line has the rule name,
// a letter, weekday, day, month, the saving in hours (whole hours count) and a seventh column
// that is not read. A line with too few columns ends the reading.
std::vector<DstRule> ParseDstRules(std::string_view text);

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const CalendarDate&) const = default;
};

// The date a change falls on in `year`:
//   first      the first `weekday` of the month;
//   onOrAfter  the first `weekday` on or after `day` (0 counts as 1);
//   day 0      the last `weekday` of the month;
//   otherwise  the fixed date `day`.
// Nothing for a rule that names no date: a month outside 1..12, a weekday outside 0..6 or a
// fixed or starting day that the month does not have.
std::optional<CalendarDate> TransitionDate(const TransitionRule& rule, int year);

// 00:00:00 by the host's clock of the change's date in the current UTC year; nothing when the
// rule names no date.
std::optional<TimeValue> TransitionInstant(const TransitionRule& rule, const Clock& clock);

// The saving of the latest change at or before now, the two changes recurring yearly; 0 when
// either change names no date.
int SavingMinutesAt(const DstRule& rule, const Clock& clock);

}  // namespace meridiana
