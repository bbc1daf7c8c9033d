#pragma once
// The marked cities' clocks outside the map (the tray's tip and its clocks window): which
// cities, in which order, and how each line reads.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "world/meeting_plan.h"
#include "world/shown_instant.h"
#include "world/world_data.h"

namespace meridiana {

// How many marked cities the tray's tip and clocks window list.
inline constexpr std::size_t kTrayClockCities = 10;

// The marked cities as the City Selector lists them (its countries in zone-file order, each
// country's cities in file order), then marked cities of no listed country; at most `limit`.
std::vector<const City*> MarkedCitiesInSelectorOrder(const WorldData& world, std::size_t limit);

// "Tokyo 09:00"; with the weekday, "Tokyo Sat 09:00", when the city's date is not the host's.
// wallClock is the city's clock shifted so that its UTC breakdown is its calendar.
std::string CityClockLine(std::string_view name, TimeValue wallClock, const CalendarTime& hostNow,
                          const WeekdayNames& weekdays);

}  // namespace meridiana
