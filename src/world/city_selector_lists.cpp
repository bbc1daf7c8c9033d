#include "world/city_selector_lists.h"

#include <set>
#include <string>

#include "world/table_text.h"

namespace meridiana {

std::vector<int> CountryZones(const WorldData& world) {
  std::vector<int> rows;
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < world.zones.size(); ++i) {
    const std::string& country = world.zones[i].country;
    if (!country.empty() && seen.insert(country).second) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::vector<int> CitiesOfCountry(const WorldData& world, std::string_view country) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < world.cities.size(); ++i) {
    const std::string* own = CountryOfCity(world, world.cities[i]);
    if (own != nullptr && EqualsIgnoreCase(*own, country)) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

}  // namespace meridiana
