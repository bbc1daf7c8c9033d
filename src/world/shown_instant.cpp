#include "world/shown_instant.h"

#include "world/solar_position.h"

#include <algorithm>
#include <cstdio>

namespace meridiana {
namespace {

// Reads exactly `digits` decimal digits at text[at].
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t digits) {
  if (text.size() < at + digits) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

TimeValue FloorDiv(TimeValue a, TimeValue b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

TimeValue TimeBarBase(TimeValue liveNow) {
  return FloorDiv(liveNow, kTimeBarStepSeconds) * kTimeBarStepSeconds;
}

int TimeBarPosition(TimeValue base, TimeValue t) {
  const TimeValue steps = FloorDiv(t - base, kTimeBarStepSeconds);
  return static_cast<int>(std::clamp<TimeValue>(steps, -kTimeBarSteps, kTimeBarSteps));
}

TimeValue TimeBarInstant(TimeValue base, int position) {
  return base + static_cast<TimeValue>(std::clamp(position, -kTimeBarSteps, kTimeBarSteps)) *
                    kTimeBarStepSeconds;
}

HostTimeInput ParseHostDateTime(std::string_view input, const Clock& clock) {
  const std::string_view text = Trimmed(input);
  HostTimeInput result;
  result.error = HostTimeError::kForm;
  if (text.size() != 16 && text.size() != 19) return result;
  if (text[4] != '-' || text[7] != '-' || (text[10] != ' ' && text[10] != 'T' && text[10] != 't') ||
      text[13] != ':') {
    return result;
  }
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2);
  std::optional<int> second = 0;
  if (text.size() == 19) second = text[16] == ':' ? Digits(text, 17, 2) : std::nullopt;
  if (!year || !month || !day || !hour || !minute || !second) return result;

  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) {
    result.error = HostTimeError::kNoSuchDate;
    return result;
  }
  result.error = HostTimeError::kNoSuchTime;
  if (*hour > 23 || *minute > 59 || *second > 59) return result;
  const std::optional<TimeValue> t =
      clock.FromHostLocal(*year, *month, *day, *hour, *minute, *second);
  if (!t) return result;  // the host's clocks skip this time
  if (!InSolarYears(*t)) {
    result.error = HostTimeError::kOutOfYears;
    return result;
  }
  result.error = HostTimeError::kNone;
  result.instant = *t;
  return result;
}

std::string FormatHostDateTime(TimeValue t, const Clock& clock) {
  const CalendarTime c = clock.HostLocal(t);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute);
  return text;
}

const WeekdayNames& EnglishWeekdays() {
  static const WeekdayNames names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return names;
}

std::string ShownInstantText(TimeValue shown, TimeValue liveNow, const Clock& clock,
                             const WeekdayNames& weekdays) {
  const CalendarTime at = clock.HostLocal(shown);
  const CalendarTime now = clock.HostLocal(liveNow);
  const TimeValue dayDiff =
      (UtcFromCalendar(at.year, at.month, at.day) - UtcFromCalendar(now.year, now.month, now.day)) /
      86400;
  const TimeValue diff = shown - liveNow;
  long long amount = 0;
  const char* unit = "d";
  if (dayDiff != 0) {
    amount = dayDiff;
  } else if (diff / 3600 != 0) {
    amount = diff / 3600;
    unit = "h";
  } else {
    amount = diff / 60;
    unit = "min";
  }
  char text[80];
  std::snprintf(text, sizeof text, " %02d:%02d (%s%lld %s)", at.hour, at.minute,
                amount < 0 ? "-" : "+", amount < 0 ? -amount : amount, unit);
  return weekdays[static_cast<std::size_t>(std::clamp(at.weekday, 0, 6))] + text;
}

}  // namespace meridiana
