#include "world/meeting_plan.h"

#include <algorithm>
#include <cstdio>

namespace meridiana {
namespace {

constexpr TimeValue kHour = 3600;
constexpr TimeValue kDay = 86400;

std::optional<int> SmallNumber(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
  }
  return value;
}

TimeValue MinuteOfDay(TimeValue wallClock) {
  const TimeValue second = (wallClock % kDay + kDay) % kDay;
  return second / 60;
}

std::string HourMinute(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", c.hour, c.minute);
  return text;
}

}  // namespace

std::optional<WorkingHours> ParseWorkingHours(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto from = SmallNumber(text.substr(0, dash));
  const auto to = SmallNumber(text.substr(dash + 1));
  if (!from || !to || *from >= *to || *to > 24) return std::nullopt;
  return WorkingHours{*from, *to};
}

std::string FormatWorkingHours(const WorkingHours& hours) {
  return std::to_string(hours.from) + "-" + std::to_string(hours.to);
}

namespace {

// The first instant whose host wall clock falls on the date: its midnight, or where the clocks
// skip midnight, the end of the skip.
std::optional<TimeValue> HostDayStart(const Clock& clock, int year, int month, int day) {
  for (int minute = 0; minute < 24 * 60; ++minute) {
    if (const auto t = clock.FromHostLocal(year, month, day, minute / 60, minute % 60, 0)) return t;
  }
  return std::nullopt;
}

// The first instant of a host calendar day and that of the next day.
std::optional<std::pair<TimeValue, TimeValue>> HostDayBounds(const Clock& clock, int year,
                                                             int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  const CalendarTime next = UtcBreakdown(UtcFromCalendar(year, month, day) + kDay);
  const auto begin = HostDayStart(clock, year, month, day);
  const auto end = HostDayStart(clock, next.year, next.month, next.day);
  if (!begin || !end || *end <= *begin) return std::nullopt;
  return std::make_pair(*begin, *end);
}

std::vector<TimeValue> HoursBetween(const std::pair<TimeValue, TimeValue>& bounds) {
  std::vector<TimeValue> hours;
  for (TimeValue t = bounds.first; t < bounds.second; t += kHour) hours.push_back(t);
  return hours;
}

}  // namespace

std::optional<std::vector<PlanHour>> PlanHostDay(const std::vector<OffsetSource>& places,
                                                 const Clock& clock, int year, int month, int day,
                                                 const WorkingHours& working) {
  const auto bounds = HostDayBounds(clock, year, month, day);
  if (!bounds) return std::nullopt;
  return PlanMeeting(places, HoursBetween(*bounds), working, bounds->second);
}

std::vector<PlanHour> PlanMeeting(const std::vector<OffsetSource>& places,
                                  const std::vector<TimeValue>& hours, const WorkingHours& working,
                                  TimeValue dayEnd) {
  std::vector<PlanHour> plan;
  plan.reserve(hours.size());
  for (std::size_t i = 0; i < hours.size(); ++i) {
    const TimeValue utc = hours[i];
    PlanHour& hour = plan.emplace_back();
    hour.utc = utc;
    hour.end = i + 1 < hours.size() ? hours[i + 1]
               : dayEnd != kNoTime  ? std::min(dayEnd, utc + kHour)
                                    : utc + kHour;
    const TimeValue minutes = (hour.end - utc) / 60;
    hour.common = !places.empty();
    for (const OffsetSource& offsetAt : places) {
      PlanCell& cell = hour.cells.emplace_back();
      cell.wallClock = utc + offsetAt(utc);
      const TimeValue minute = MinuteOfDay(cell.wallClock);
      cell.working = minute >= working.from * 60 && minute + minutes <= working.to * 60;
      cell.night = minute < kNightEndsHour * 60 || minute >= kNightStartsHour * 60;
      hour.common = hour.common && cell.working;
    }
  }
  return plan;
}

std::vector<std::pair<TimeValue, TimeValue>> CommonRuns(const std::vector<PlanHour>& plan) {
  std::vector<std::pair<TimeValue, TimeValue>> runs;
  for (const PlanHour& hour : plan) {
    if (!hour.common) continue;
    if (!runs.empty() && runs.back().second == hour.utc) {
      runs.back().second = hour.end;
    } else {
      runs.emplace_back(hour.utc, hour.end);
    }
  }
  return runs;
}

std::string CommonRunsText(const std::vector<PlanHour>& plan) {
  const auto runs = CommonRuns(plan);
  if (runs.empty()) return "none";
  const CalendarTime first = UtcBreakdown(plan.front().utc);
  std::string text;
  for (const auto& [begin, end] : runs) {
    if (!text.empty()) text += ", ";
    const CalendarTime c = UtcBreakdown(begin);
    if (c.year != first.year || c.month != first.month || c.day != first.day) {
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02d ", c.year, c.month, c.day);
      text += date;
    }
    text += HourMinute(begin);
    text += '-';
    text += HourMinute(end);
    text += " UTC (";
    const TimeValue minutes = (end - begin) / 60;
    char length[48];
    if (minutes % 60 != 0) {
      std::snprintf(length, sizeof length, "%lld h %lld min)", static_cast<long long>(minutes / 60),
                    static_cast<long long>(minutes % 60));
    } else {
      std::snprintf(length, sizeof length, "%lld h)", static_cast<long long>(minutes / 60));
    }
    text += length;
  }
  return text;
}

}  // namespace meridiana
