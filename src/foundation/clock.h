#pragma once
// The present instant and the host's calendar. Every "now" the program reads goes through a
// Clock, so the command-line tools and the tests can fix the instant and the host time zone.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace meridiana {

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
  // The instant at which the host's wall clock shows the given date and time.
  virtual TimeValue FromHostLocal(int year, int month, int day, int hour, int minute,
                                  int second) const = 0;
};

// The answers of the C library's mktime for the last few wall-clock times asked, kept while the
// host zone stays the one they were computed in. mktime reads the zone again on every call (a
// stat of /etc/localtime when TZ is unset), which the marked cities' labels would pay forty
// times a second. The zone counts as the same while TZ keeps its value and, with TZ unset, while
// /etc/localtime is the same file (device, inode, modification time: what the C library itself
// compares), looked at again at most once a second. A copy starts empty.
class HostLocalMemo {
 public:
  HostLocalMemo() = default;
  HostLocalMemo(const HostLocalMemo&) {}
  HostLocalMemo& operator=(const HostLocalMemo&) { return *this; }

  TimeValue FromHostLocal(int year, int month, int day, int hour, int minute, int second);

 private:
  struct Entry {
    int fields[6] = {};
    TimeValue result = 0;
  };
  struct ZoneFile {
    bool present = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modified = 0;
    bool operator==(const ZoneFile&) const = default;
  };
  // Forgets every answer when the zone may have changed since they were computed.
  void CheckZone();

  std::mutex mutex_;
  bool checked_ = false;
  bool tzSet_ = false;
  std::string tz_;
  ZoneFile file_;
  std::int64_t fileCheckedAt_ = 0;  // monotonic nanoseconds
  std::array<Entry, 16> entries_{};
  std::size_t used_ = 0;
  std::size_t next_ = 0;
};

// The host's clock and calendar through the C library (honours TZ).
class SystemClock : public Clock {
 public:
  TimeValue Now() const override;
  CalendarTime HostLocal(TimeValue t) const override;
  TimeValue FromHostLocal(int year, int month, int day, int hour, int minute,
                          int second) const override;

 private:
  mutable HostLocalMemo memo_;
};

// mktime itself, every call: what the memo must always agree with.
TimeValue HostMktime(int year, int month, int day, int hour, int minute, int second);

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
