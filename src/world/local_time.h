#pragma once
// The local time of a place: the present instant shifted by the standard offset under the place
// on the time-zone image and by the saving of the city's daylight-saving rule.

#include <string>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "world/world_data.h"

namespace meridiana {

// now + offset at (x, y) in seconds (truncated toward zero) + the city's saving; without a city
// no saving is added. The value's UTC breakdown is the place's wall clock.
TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock);

// The same with the saving already known (the city's rule looked up once for many paints).
TimeValue LocalTimeWithSaving(const Dib* tzImage, int x, int y, int savingMinutes,
                              const Clock& clock);

// A local time's wall clock as "HH:MM"; empty for a time the calendar cannot break down.
std::string ClockText(TimeValue local);

// LocalTimeOf as "HH:MM", the clock of a marked-city label; empty for a time the calendar cannot
// break down.
std::string LocalClockText(const WorldData& world, const Dib* tzImage, int x, int y,
                           const City* city, const Clock& clock);

}  // namespace meridiana
