#pragma once
// The present instant and the host's calendar. Every "now" the program reads goes through a
// Clock, so the command-line tools and the tests can fix the instant and the host time zone.

#include <cstdint>

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

// The host's clock and calendar through the C library (honours TZ).
class SystemClock : public Clock {
 public:
  TimeValue Now() const override;
  CalendarTime HostLocal(TimeValue t) const override;
  TimeValue FromHostLocal(int year, int month, int day, int hour, int minute,
                          int second) const override;
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
