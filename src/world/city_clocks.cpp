#include "world/city_clocks.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "world/city_selector_lists.h"
#include "world/table_text.h"

namespace meridiana {

std::vector<const City*> MarkedCitiesInSelectorOrder(const WorldData& world, std::size_t limit) {
  // Runs every second for the tray: only the marked cities are looked up, each in the country
  // rows once (the selector's own lists scan every city per country).
  const std::vector<int> rows = CountryZones(world);
  constexpr std::size_t kNoRow = SIZE_MAX;
  std::vector<std::pair<std::size_t, const City*>> marked;
  for (const City& city : world.cities) {
    if (!city.marked) continue;
    std::size_t row = kNoRow;
    if (const std::string* country = CountryOfCity(world, city)) {
      for (std::size_t r = 0; r < rows.size() && row == kNoRow; ++r) {
        if (EqualsIgnoreCase(world.zones[static_cast<std::size_t>(rows[r])].country, *country))
          row = r;
      }
    }
    marked.emplace_back(row, &city);
  }
  // File order within a row, as the selector lists a country's cities.
  std::stable_sort(marked.begin(), marked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const City*> cities;
  for (const auto& [row, city] : marked) {
    if (cities.size() == limit) break;
    cities.push_back(city);
  }
  return cities;
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
