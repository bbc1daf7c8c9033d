#pragma once
// The present instant and the host's calendar. Every "now" the program reads goes through a
// Clock, so the command-line tools and the tests can fix the instant and the host time zone.

#include <array>
#include <memory>
#include <optional>
#include <cstdint>
#include <mutex>
#include <string>

namespace meridiana {

class ZoneFile;

// Seconds since 1970-01-01 00:00:00 UTC.
using TimeValue = std::int64_t;

// "No time at all", for fields that may have none. Not 0: 0 is the first second of 1970.
inline constexpr TimeValue kNoTime = INT64_MIN;

// A broken-down calendar time. month 1..12, day 1..31, weekday 0 = Sunday, yearDay 0..365.
struct CalendarTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;
  int yearDay = 0;
};

// Proleptic Gregorian calendar arithmetic on time values, independent of any time zone.
CalendarTime UtcBreakdown(TimeValue t);
TimeValue UtcFromCalendar(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);
int DaysInMonth(int year, int month);

class Clock {
 public:
  virtual ~Clock() = default;
  // The present instant.
  virtual TimeValue Now() const = 0;
  // The host's wall clock at instant t (the host time zone, daylight saving included).
  virtual CalendarTime HostLocal(TimeValue t) const = 0;
  // The instant at which the host's wall clock first shows the given date and time: a time
  // shown twice at a change is its first occurrence; nothing for a time the clocks skip.
  virtual std::optional<TimeValue> FromHostLocal(int year, int month, int day, int hour,
                                                 int minute, int second) const = 0;
};

// The host's time zone read from its zone file, kept while it stays the one it was read from.
// The zone counts as the same while TZ keeps its value and, with TZ unset, while /etc/localtime
// is the same file (device, inode, modification time: what the C library itself compares),
// looked at again at most once a second. A copy starts empty.
class HostZoneWatch {
 public:
  HostZoneWatch();
  HostZoneWatch(const HostZoneWatch&);
  HostZoneWatch& operator=(const HostZoneWatch&) { return *this; }
  ~HostZoneWatch();

  TimeValue WallClockAt(TimeValue t);
  std::optional<TimeValue> FromWallClock(TimeValue wall);

 private:
  struct FileId {
    bool present = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modified = 0;
    bool operator==(const FileId&) const = default;
  };
  // Reads the zone again when it may have changed since it was read.
  const ZoneFile& Zone();

  std::mutex mutex_;
  std::unique_ptr<ZoneFile> zone_;
  bool tzSet_ = false;
  std::string tz_;
  FileId file_;
  std::int64_t fileCheckedAt_ = 0;  // monotonic nanoseconds
};

// The host's clock and calendar from the host's zone file (honours TZ as the C library does).
class SystemClock : public Clock {
 public:
  TimeValue Now() const override;
  CalendarTime HostLocal(TimeValue t) const override;
  std::optional<TimeValue> FromHostLocal(int year, int month, int day, int hour, int minute,
                                         int second) const override;

 private:
  mutable HostZoneWatch zone_;
};

// A clock that stands still at a chosen instant (the command line's --at, the tests); the host
// calendar still comes from the C library, so TZ chooses the host time zone.
class FixedClock : public SystemClock {
 public:
  explicit FixedClock(TimeValue now) : now_(now) {}
  TimeValue Now() const override { return now_; }
  void Set(TimeValue now) { now_ = now; }
  void Advance(TimeValue seconds) { now_ += seconds; }

 private:
  TimeValue now_;
};

}  // namespace meridiana
