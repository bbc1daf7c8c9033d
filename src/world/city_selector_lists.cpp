#include "world/city_selector_lists.h"

#include <algorithm>
#include <set>
#include <string>

#include "world/place_names.h"
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

namespace {

template <typename NameOf>
void SortByCollation(const WorldData& world, std::vector<int>& rows, NameOf nameOf) {
  if (!world.placeNames) return;
  const PlaceCollator collator(world.placeNames->language);
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    return collator.Less(nameOf(static_cast<std::size_t>(a)), nameOf(static_cast<std::size_t>(b)));
  });
}

}  // namespace

void SortCountryZones(const WorldData& world, std::vector<int>& zones) {
  SortByCollation(world, zones, [&world](std::size_t i) -> const std::string& {
    return CountryNameIn(world, world.zones[i].country);
  });
}

void SortCitiesByName(const WorldData& world, std::vector<int>& cities) {
  SortByCollation(world, cities, [&world](std::size_t i) -> const std::string& {
    return CityNameOf(world, world.cities[i]);
  });
}

}  // namespace meridiana
