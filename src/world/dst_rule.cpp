#include "world/dst_rule.h"

#include <climits>
#include <cmath>

#include "world/table_text.h"

namespace meridiana {
namespace {

// Reads one line of a rule into name and change; false when a TAB is missing before the
// seventh column. The cursor is left just past the TAB that ends the sixth column, so an empty
// seventh column does not let the next line's text be taken for it.
bool ReadChangeLine(TableText& t, std::string& name, TransitionRule& change) {
  name = std::string(t.Field('\t'));
  if (!t.PassNext('\t')) return false;
  t.SkipSpace();

  const std::string_view letter = t.Field('\t');
  change.first = !letter.empty() && letter[0] == 'F';
  change.onOrAfter = !letter.empty() && letter[0] == '>';
  if (!t.PassNext('\t')) return false;
  t.SkipSpace();

  int* const integers[] = {&change.weekday, &change.day, &change.month};
  for (int* value : integers) {
    *value = t.Integer();
    if (!t.PassNext('\t')) return false;
    t.SkipSpace();
  }

  // Only the whole hours count: 0.5 gives no saving.
  const double hours = std::trunc(static_cast<double>(t.Real()));
  const double minutes = hours * 60.0;
  change.savingMinutes = minutes > INT_MAX   ? INT_MAX
                         : minutes < INT_MIN ? INT_MIN
                                             : static_cast<int>(minutes);
  return t.PassNext('\t');
}

int WeekdayOf(int year, int month, int day) {
  return UtcBreakdown(UtcFromCalendar(year, month, day)).weekday;
}

// The first date from (year, month, day) on, within seven days, that falls on weekday; the
// search may run into the next month.
std::optional<CalendarDate> FirstWeekdayFrom(int year, int month, int day, int weekday) {
  const TimeValue base = UtcFromCalendar(year, month, day);
  for (int i = 0; i < 7; ++i) {
    const CalendarTime c = UtcBreakdown(base + static_cast<TimeValue>(i) * 86400);
    if (c.weekday == weekday) return CalendarDate{c.year, c.month, c.day};
  }
  return std::nullopt;
}

}  // namespace

std::vector<DstRule> ParseDstRules(std::string_view text) {
  std::vector<DstRule> rules;
  TableText t(text);
  for (;;) {
    t.SkipSpace();
    if (t.AtEnd()) break;
    DstRule& rule = rules.emplace_back();

    if (!ReadChangeLine(t, rule.name, rule.end)) break;
    if (!t.PassNext('\n')) break;
    t.SkipSpace();
    if (!ReadChangeLine(t, rule.name, rule.start)) break;
    if (!t.PassNext('\n')) break;
  }
  return rules;
}

std::optional<CalendarDate> TransitionDate(const TransitionRule& rule, int year) {
  if (rule.month < 1 || rule.month > 12) return std::nullopt;
  if (rule.weekday < 0 || rule.weekday > 6) return std::nullopt;
  const int length = DaysInMonth(year, rule.month);

  if (rule.first) return FirstWeekdayFrom(year, rule.month, 1, rule.weekday);
  if (rule.onOrAfter) {
    const int from = rule.day == 0 ? 1 : rule.day;
    if (from < 1 || from > length) return std::nullopt;
    return FirstWeekdayFrom(year, rule.month, from, rule.weekday);
  }
  if (rule.day == 0) {
    const int back = (WeekdayOf(year, rule.month, length) - rule.weekday + 7) % 7;
    return CalendarDate{year, rule.month, length - back};
  }
  if (rule.day < 1 || rule.day > length) return std::nullopt;
  return CalendarDate{year, rule.month, rule.day};
}

std::optional<TimeValue> TransitionInstant(const TransitionRule& rule, const Clock& clock) {
  const int year = UtcBreakdown(clock.Now()).year;
  const auto date = TransitionDate(rule, year);
  if (!date) return std::nullopt;
  return clock.FromHostLocal(date->year, date->month, date->day, 0, 0, 0);
}

int SavingMinutesAt(const DstRule& rule, const Clock& clock) {
  const auto end = TransitionInstant(rule.end, clock);
  const auto start = TransitionInstant(rule.start, clock);
  if (!end || !start) return 0;
  const TimeValue now = clock.Now();
  if (*start <= *end) {
    return *start <= now && now < *end ? rule.start.savingMinutes : rule.end.savingMinutes;
  }
  return *end <= now && now < *start ? rule.end.savingMinutes : rule.start.savingMinutes;
}

}  // namespace meridiana
