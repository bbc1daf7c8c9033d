#pragma once
// The instant the window shows. Live it is the present; the time bar can set it to any other
// instant, and everything that reads "now" through this clock (composition, labels, read-out,
// title, Properties) then shows that instant, while the host calendar stays the computer's.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"

namespace meridiana {

class ShownClock : public Clock {
 public:
  explicit ShownClock(const Clock& live) : live_(&live) {}

  TimeValue Now() const override { return shown_ ? *shown_ : live_->Now(); }
  CalendarTime HostLocal(TimeValue t) const override { return live_->HostLocal(t); }
  std::optional<TimeValue> FromHostLocal(int year, int month, int day, int hour, int minute,
                                         int second) const override {
    return live_->FromHostLocal(year, month, day, hour, minute, second);
  }

  void Show(TimeValue t) { shown_ = t; }
  void ShowLive() { shown_.reset(); }
  bool live() const { return !shown_; }
  const Clock& liveClock() const { return *live_; }

 private:
  const Clock* live_;
  std::optional<TimeValue> shown_;
};

// The time bar's slider: positions -kTimeBarSteps..kTimeBarSteps of 15 minutes around a base,
// the quarter hour at or before the present when the bar last followed the live clock.
inline constexpr int kTimeBarStepSeconds = 15 * 60;
inline constexpr int kTimeBarSteps = 7 * 24 * 4;

TimeValue TimeBarBase(TimeValue liveNow);
// The position that shows t: whole steps from the base (toward the past), held at the ends.
int TimeBarPosition(TimeValue base, TimeValue t);
// The instant at a position, the position held at the ends first.
TimeValue TimeBarInstant(TimeValue base, int position);

// What a typed host date and time turned into.
enum class HostTimeError {
  kNone,
  kForm,        // not "YYYY-MM-DD HH:MM" (a "T" may stand for the blank, ":SS" may follow)
  kNoSuchDate,  // a month or day the calendar does not have (30 February)
  kNoSuchTime,  // an hour or minute out of range, or a time the host clock skips that day
  kOutOfYears,  // outside the years the map can show (kFirstSolarYear..kLastSolarYear)
};

struct HostTimeInput {
  HostTimeError error = HostTimeError::kNone;
  TimeValue instant = kNoTime;  // when error is kNone
};

// Reads a date and time of the host's calendar. A time the clocks skip at a spring-forward
// change is refused rather than moved; a time shown twice at a fall-back change is its first
// occurrence.
HostTimeInput ParseHostDateTime(std::string_view text, const Clock& clock);

// "YYYY-MM-DD HH:MM" of the host calendar at t, the form ParseHostDateTime reads.
std::string FormatHostDateTime(TimeValue t, const Clock& clock);

// English short weekday names, Sunday first; the window passes the interface language's.
using WeekdayNames = std::array<std::string, 7>;
const WeekdayNames& EnglishWeekdays();

// The shown instant as the title says it: "Fri 14:00 (+2 d)". The difference to the present is
// counted in host calendar days when the dates differ, else in hours, else in minutes, with
// its sign ("(-3 h)", "(+45 min)").
std::string ShownInstantText(TimeValue shown, TimeValue liveNow, const Clock& clock,
                             const WeekdayNames& weekdays);

}  // namespace meridiana
