#pragma once
// The computer's own place: the city of the host's time zone, the window's and the command
// line's first home and first marked city.

#include <string>
#include <string_view>

#include "world/world_data.h"

namespace meridiana {

// The city that stands for a host time zone such as "America/New_York": the city named after
// the zone's place ("New York"), else among the cities of that zone the one nearest the zone's
// own coordinates. Null when no city belongs to the zone.
City* CityOfHostZone(WorldData& world, std::string_view zoneName);

// The host's zone name: $TZ (without a leading ":"), else the target of /etc/localtime below a
// "zoneinfo/" folder. "" when neither tells.
std::string HostZoneName();

}  // namespace meridiana
