#include "world/city_clocks.h"

#include <algorithm>
#include <cstdio>

#include "world/city_selector_lists.h"

namespace meridiana {

std::vector<const City*> MarkedCitiesInSelectorOrder(const WorldData& world, std::size_t limit) {
  std::vector<const City*> marked;
  std::vector<bool> taken(world.cities.size(), false);
  for (int zone : CountryZones(world)) {
    const std::string& country = world.zones[static_cast<std::size_t>(zone)].country;
    for (int index : CitiesOfCountry(world, country)) {
      const auto i = static_cast<std::size_t>(index);
      if (!world.cities[i].marked || taken[i]) continue;
      taken[i] = true;
      marked.push_back(&world.cities[i]);
    }
  }
  for (std::size_t i = 0; i < world.cities.size(); ++i) {
    if (world.cities[i].marked && !taken[i]) marked.push_back(&world.cities[i]);
  }
  if (marked.size() > limit) marked.resize(limit);
  return marked;
}

std::optional<int> ZoneFileOffset(const WorldData& world, const City& city, ZoneFileCache& zones,
                                  TimeValue t) {
  const Zone* zone = ZoneOfCity(world, city);
  if (zone == nullptr) return std::nullopt;
  const ZoneFile* file = zones.Find(zone->zoneName);
  if (file == nullptr) return std::nullopt;
  return file->OffsetAt(t);
}

std::string CityClockLine(std::string_view name, TimeValue wallClock, const CalendarTime& hostNow,
                          const WeekdayNames& weekdays) {
  const CalendarTime c = UtcBreakdown(wallClock);
  std::string line(WithoutTrailingBlanks(name));
  line += ' ';
  if (c.year != hostNow.year || c.month != hostNow.month || c.day != hostNow.day) {
    line += weekdays[static_cast<std::size_t>(std::clamp(c.weekday, 0, 6))];
    line += ' ';
  }
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d", c.hour, c.minute);
  return line + clock;
}

}  // namespace meridiana
