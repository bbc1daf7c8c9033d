#pragma once
// The rows of the City Selector's two lists: the countries of the zone list and the cities of
// one country.

#include <string_view>
#include <vector>

#include "world/world_data.h"

namespace meridiana {

// One row per country of the zone list, countries spelt alike (letter case and all) sharing a
// row: the index of the country's first zone, in file order. A zone without a country has none.
std::vector<int> CountryZones(const WorldData& world);

// The cities whose country is `country` ignoring letter case, in file order: their indexes.
std::vector<int> CitiesOfCountry(const WorldData& world, std::string_view country);

// In a language other than English (world.placeNames), the rows sorted by their names in that
// language with its collation ("Österreich" among the O's in German, after Z in Swedish);
// ties keep file order. In English the file order stays, which the tables give sorted.
void SortCountryZones(const WorldData& world, std::vector<int>& zones);
void SortCitiesByName(const WorldData& world, std::vector<int>& cities);

}  // namespace meridiana
