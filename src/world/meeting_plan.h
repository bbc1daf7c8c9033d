#pragma once
// The meeting planner: for one day of the host's calendar, hour by hour, each place's wall clock,
// whether it is within working hours or at night, and the hours every place can work.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

// Local working hours, whole hours with from < to ("9-17": 09:00 to 17:00).
struct WorkingHours {
  int from = 9;
  int to = 17;
  bool operator==(const WorkingHours&) const = default;
};

// "H-H" with 0 <= from < to <= 24; nothing otherwise.
std::optional<WorkingHours> ParseWorkingHours(std::string_view text);
std::string FormatWorkingHours(const WorkingHours& hours);

// Night is a wall clock before 06:00 or from 22:00 on.
inline constexpr int kNightEndsHour = 6;
inline constexpr int kNightStartsHour = 22;

// A place's UTC offset in seconds at an instant.
using OffsetSource = std::function<int(TimeValue)>;

struct PlanCell {
  TimeValue wallClock = 0;  // shifted so that its UTC breakdown is the place's wall clock
  bool working = false;     // the whole hour from wallClock lies within the working hours
  bool night = false;
};

struct PlanHour {
  TimeValue utc = 0;            // the instant the hour begins
  TimeValue end = 0;            // the instant it ends: an hour later, or the day's end
  std::vector<PlanCell> cells;  // one per place, in the places' order
  bool common = false;          // every place is working
};

// One row per hour; the last hour ends at dayEnd when given (a day of 23.5 hours ends with a
// half hour), else an hour after it begins.
std::vector<PlanHour> PlanMeeting(const std::vector<OffsetSource>& places,
                                  const std::vector<TimeValue>& hours, const WorkingHours& working,
                                  TimeValue dayEnd = kNoTime);

// The plan of a host calendar day, which is as long as the host's zone makes it (23, 23.5, 24,
// 24.5 or 25 hours): its hours from the day's first instant, an hour apart, the last ending with
// the day; none for a date the calendar does not have. The planner and the CLI's plan both use it.
std::optional<std::vector<PlanHour>> PlanHostDay(const std::vector<OffsetSource>& places,
                                                 const Clock& clock, int year, int month, int day,
                                                 const WorkingHours& working);

// The runs of consecutive common hours, each as [begin, end) instants.
std::vector<std::pair<TimeValue, TimeValue>> CommonRuns(const std::vector<PlanHour>& plan);

// "13:00-15:00 UTC (2 h)", runs joined by ", ", with the UTC date in front of a run that does not
// start on the plan's first date; "none" without a common hour.
std::string CommonRunsText(const std::vector<PlanHour>& plan);

}  // namespace meridiana
