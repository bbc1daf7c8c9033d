#include "foundation/clock.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace meridiana {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

CalendarTime FromTm(const std::tm& tm) {
  CalendarTime c;
  c.year = tm.tm_year + 1900;
  c.month = tm.tm_mon + 1;
  c.day = tm.tm_mday;
  c.hour = tm.tm_hour;
  c.minute = tm.tm_min;
  c.second = tm.tm_sec;
  c.weekday = tm.tm_wday;
  c.yearDay = tm.tm_yday;
  return c;
}

}  // namespace

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

TimeValue UtcFromCalendar(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

CalendarTime UtcBreakdown(TimeValue t) {
  std::int64_t days = t / 86400;
  std::int64_t secs = t % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  // Inverse of DaysFromCivil.
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const std::int64_t y = yoe + era * 400 + (m <= 2);

  CalendarTime c;
  c.year = static_cast<int>(y);
  c.month = m;
  c.day = d;
  c.hour = static_cast<int>(secs / 3600);
  c.minute = static_cast<int>(secs / 60 % 60);
  c.second = static_cast<int>(secs % 60);
  const std::int64_t wd = (days + 4) % 7;  // 1970-01-01 was a Thursday
  c.weekday = static_cast<int>(wd < 0 ? wd + 7 : wd);
  c.yearDay = static_cast<int>(days - DaysFromCivil(y, 1, 1));
  return c;
}

TimeValue SystemClock::Now() const { return static_cast<TimeValue>(std::time(nullptr)); }

CalendarTime SystemClock::HostLocal(TimeValue t) const {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  if (!localtime_r(&tt, &tm)) return UtcBreakdown(t);
  return FromTm(tm);
}

TimeValue SystemClock::FromHostLocal(int year, int month, int day, int hour, int minute,
                                     int second) const {
  return memo_.FromHostLocal(year, month, day, hour, minute, second);
}

void HostLocalMemo::CheckZone() {
  bool changed = !checked_;
  const char* tz = std::getenv("TZ");
  if ((tz != nullptr) != tzSet_ || (tz != nullptr && tz_ != tz)) {
    changed = true;
    tzSet_ = tz != nullptr;
    tz_ = tz != nullptr ? tz : "";
  }
  if (!tzSet_) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const std::int64_t at = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    if (changed || at - fileCheckedAt_ >= 1000000000) {
      struct stat st {};
      ZoneFile file;
      if (stat("/etc/localtime", &st) == 0) {
        file.present = true;
        file.device = st.st_dev;
        file.inode = st.st_ino;
        file.modified = st.st_mtime;
      }
      changed = changed || file != file_;
      file_ = file;
      fileCheckedAt_ = at;
    }
  }
  if (changed) used_ = next_ = 0;
  checked_ = true;
}

TimeValue HostLocalMemo::FromHostLocal(int year, int month, int day, int hour, int minute,
                                       int second) {
  const int fields[6] = {year, month, day, hour, minute, second};
  const std::lock_guard lock(mutex_);
  CheckZone();
  for (std::size_t i = 0; i < used_; ++i) {
    if (std::equal(fields, fields + 6, entries_[i].fields)) return entries_[i].result;
  }
  Entry& entry = entries_[next_];
  std::copy(fields, fields + 6, entry.fields);
  entry.result = HostMktime(year, month, day, hour, minute, second);
  next_ = (next_ + 1) % entries_.size();
  used_ = std::max(used_, next_ == 0 ? entries_.size() : next_);
  return entry.result;
}

TimeValue HostMktime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return static_cast<TimeValue>(std::mktime(&tm));
}

}  // namespace meridiana
