#include "world/city_selector_lists.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

Zone ZoneOf(std::string country, std::string place) {
  Zone zone;
  zone.country = std::move(country);
  zone.zoneCity = std::move(place);
  return zone;
}

City CityOf(std::string name, std::string zoneKey) {
  City city;
  city.name = std::move(name);
  city.zoneKey = std::move(zoneKey);
  return city;
}

TEST(CitySelectorLists, CountriesOnceEachAndTheCitiesOfEverySpelling) {
  WorldData world;
  world.zones = {ZoneOf("Spain", "Madrid"), ZoneOf("Spain", "Canary"), ZoneOf("", "Nowhere"),
                 ZoneOf("SPAIN", "Ceuta"), ZoneOf("Chile", "Santiago")};
  world.cities = {CityOf("Madrid", "madrid"),     CityOf("Santiago", "Santiago"),
                  CityOf("Las Palmas", "Canary"), CityOf("Ceuta", "Ceuta"),
                  CityOf("Lost", "Atlantis"),     CityOf("Empty", "Nowhere")};

  // Two zones of one country give one row; another spelling gives a row of its own; a zone
  // without a country gives none.
  EXPECT_EQ(CountryZones(world), (std::vector<int>{0, 3, 4}));
  // Either spelling lists the cities of both, in file order.
  const std::vector<int> spain{0, 2, 3};
  EXPECT_EQ(CitiesOfCountry(world, "Spain"), spain);
  EXPECT_EQ(CitiesOfCountry(world, "SPAIN"), spain);
  EXPECT_EQ(CitiesOfCountry(world, "Chile"), (std::vector<int>{1}));
  EXPECT_TRUE(CitiesOfCountry(world, "Spai").empty());
}

}  // namespace
}  // namespace meridiana
