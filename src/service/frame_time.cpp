#include "service/frame_time.h"

#include <algorithm>

namespace meridiana::service {
namespace {

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
long long DaysFromEpoch(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const long long era = y / 400;
  const long long yearOfEra = y - era * 400;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

bool IsValidFrameTime(std::string_view t) {
  return t.size() >= 10 && t.size() <= kMaxFrameTimeLength && AllDigits(t);
}

std::optional<std::string> FrameTimeFromFileName(std::string_view fileName) {
  const std::size_t dot = fileName.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view stem = fileName.substr(0, dot);
  if ((stem.size() != 10 && stem.size() != 12) || !AllDigits(stem)) return std::nullopt;
  const int year = Number(stem.substr(0, 4));
  const int month = Number(stem.substr(4, 2));
  const int day = Number(stem.substr(6, 2));
  const int hour = Number(stem.substr(8, 2));
  const int minute = stem.size() == 12 ? Number(stem.substr(10, 2)) : 0;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour > 23 || minute > 59)
    return std::nullopt;
  return std::string(stem);
}

long long FrameTimeMinutes(std::string_view t) {
  if (t.size() < 10 || !AllDigits(t)) return 0;
  const int year = Number(t.substr(0, 4));
  const int month = std::clamp(Number(t.substr(4, 2)), 1, 12);
  const int day = Number(t.substr(6, 2));
  const int hour = Number(t.substr(8, 2));
  const int minute = t.size() >= 12 ? Number(t.substr(10, 2)) : 0;
  return (DaysFromEpoch(year, month, day) * 24 + hour) * 60 + minute;
}

}  // namespace meridiana::service
