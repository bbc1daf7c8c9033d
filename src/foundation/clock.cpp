#include "foundation/clock.h"

#include "foundation/zone_file.h"

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

CalendarTime SystemClock::HostLocal(TimeValue t) const { return UtcBreakdown(zone_.WallClockAt(t)); }

std::optional<TimeValue> SystemClock::FromHostLocal(int year, int month, int day, int hour,
                                                    int minute, int second) const {
  return zone_.FromWallClock(UtcFromCalendar(year, month, day, hour, minute, second));
}

HostZoneWatch::HostZoneWatch() = default;
HostZoneWatch::HostZoneWatch(const HostZoneWatch&) {}
HostZoneWatch::~HostZoneWatch() = default;

const ZoneFile& HostZoneWatch::Zone() {
  bool changed = zone_ == nullptr;
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
      FileId file;
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
  if (changed) zone_ = std::make_unique<ZoneFile>(LoadHostZone());
  return *zone_;
}

TimeValue HostZoneWatch::WallClockAt(TimeValue t) {
  const std::lock_guard lock(mutex_);
  return Zone().WallClockAt(t);
}

std::optional<TimeValue> HostZoneWatch::FromWallClock(TimeValue wall) {
  const std::lock_guard lock(mutex_);
  return Zone().FromWallClock(wall);
}

}  // namespace meridiana
