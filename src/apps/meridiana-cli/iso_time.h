#pragma once
// ISO-8601 instants on the command line: every command's --at.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"

namespace meridiana::cli {

// What an ISO-8601 date and time named.
enum class IsoError {
  kNone,
  kForm,        // no such form, or a date or time that does not exist (month 13, hour 24)
  kSkipped,     // a local time the host's clocks skip
  kOutOfYears,  // outside kFirstSolarYear..kLastSolarYear
};
struct IsoInstant {
  IsoError error = IsoError::kForm;
  TimeValue instant = kNoTime;
};

// "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS", then "Z" for UTC, "+hh:mm" or "-hh:mm" for that
// offset, or nothing for the host's local time (TZ), whose repeated times are their first
// occurrence.
IsoInstant ReadIsoInstant(std::string_view text, const Clock& host);

// ReadIsoInstant for an option of `command`: nothing for a form it refuses; a skipped local time
// or one outside the years ends the program with status 1, as a failed input, after saying why
// on standard error. `anyYear` lets the solar routine's own face report its year error itself.
std::optional<TimeValue> ParseIsoInstant(std::string_view text, const char* command = "",
                                         bool anyYear = false);

// The UTC breakdown of t as "YYYY-MM-DDTHH:MM:SS" (no zone letter: also used for local time
// values, whose UTC breakdown is a place's wall clock).
std::string FormatIsoInstant(TimeValue t);

}  // namespace meridiana::cli
