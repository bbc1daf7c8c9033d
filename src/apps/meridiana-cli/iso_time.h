#pragma once
// ISO-8601 instants on the command line: every command's --at.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"

namespace meridiana::cli {

// "YYYY-MM-DDTHH:MM:SS" with an optional trailing "Z", always UTC. Nothing for any other form
// or a date or time that does not exist (month 13, 30 February, hour 24, second 60).
std::optional<TimeValue> ParseIsoInstant(std::string_view text);

// The UTC breakdown of t as "YYYY-MM-DDTHH:MM:SS" (no zone letter: also used for local time
// values, whose UTC breakdown is a place's wall clock).
std::string FormatIsoInstant(TimeValue t);

}  // namespace meridiana::cli
