// The city search over the shipped table: folding of case, accents, ICU's Latin spellings and
// punctuation, the order of the ranks and the tie-breaks, and when a typed name is resolved.

#include "world/city_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/shipped_world.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

using test::ShippedWorld;

// "Name (State)", as the table spells it, of each city.
std::vector<std::string> Labels(const std::vector<const City*>& cities) {
  std::vector<std::string> labels;
  for (const City* city : cities) {
    labels.push_back(std::string(WithoutTrailingBlanks(city->name)) +
                     (city->state ? " (" + *city->state + ")" : ""));
  }
  return labels;
}

TEST(SearchCities, RanksAndFolds) {
  ASSERT_FALSE(ShippedWorld().cities.empty()) << "no packed tables in " << MERIDIANA_STAGE_DIR;
  ASSERT_TRUE(ShippedWorld().citySearch);
  struct Case {
    const char* typed;
    std::vector<std::string> best;  // the first results, in order
  };
  const Case cases[] = {
      {"reykj", {"Reykjavík (Capital Region)"}},      // accent in the table only
      {"REYKJAVÍK", {"Reykjavík (Capital Region)"}},  // and in the typed text
      {"sao pa", {"São Paulo (São Paulo)"}},          // a prefix across two words
      {"zurich", {"Zürich (Zurich)"}},
      {"lodz", {"Łódź (Łódź Voivodeship)"}},                     // ł has no accent to strip
      {"st johns", {"St. John's (Newfoundland and Labrador)"}},  // punctuation
      {"ndjamena", {"N'Djamena (N’Djaména)"}},
      {"provence", {"Aix-en-Provence (Provence-Alpes-Côte d'Azur)"}},  // a later word
      {"paris fr", {"Paris (Île-de-France)"}},                         // name and state words
      // Exact names first, the zone's namesake ahead of table order, then the shorter name.
      {"london", {"London (England)", "London (Ontario)"}},
      {"cordoba", {"Córdoba (Cordoba)", "Córdoba (Veracruz)", "Córdoba (Andalusia)"}},
      {"york",
       {"York (England)", "East York (Ontario)", "North York (Ontario)",
        "New York City (New York)"}},  // the name, then later words, shorter first
      {"", {}},
      {" -- ", {}},
      {"xqzv", {}},
  };
  for (const Case& c : cases) {
    const auto found = Labels(SearchCities(ShippedWorld(), c.typed, c.best.size()));
    EXPECT_EQ(found, c.best) << "typed '" << c.typed << "'";
  }
}

TEST(ResolveCityName, OnlyAClearBestMatch) {
  struct Case {
    const char* typed;
    const char* city;        // resolved, or null
    std::size_t candidates;  // listed when not
  };
  const Case cases[] = {
      {"sao paulo", "São Paulo", 0}, {"Reykjavik", "Reykjavík", 0}, {"reykj", "Reykjavík", 0},
      {"cordoba", nullptr, 5},  // three exact names: no guess; five listed of more
      {"springf", nullptr, 3},  // three of the same rank
      {"xqzv", nullptr, 0},
  };
  for (const Case& c : cases) {
    const CityLookup lookup = ResolveCityName(ShippedWorld(), c.typed);
    if (c.city) {
      ASSERT_NE(lookup.city, nullptr) << c.typed;
      EXPECT_EQ(WithoutTrailingBlanks(lookup.city->name), c.city) << c.typed;
    } else {
      EXPECT_EQ(lookup.city, nullptr) << c.typed;
    }
    EXPECT_EQ(lookup.candidates.size(), c.candidates) << c.typed;
  }
}

}  // namespace
}  // namespace meridiana
