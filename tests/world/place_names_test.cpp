// Place names in an interface language: reading a names table against the city table, the names
// the dialogs and the search use, the search by them, and the languages' collation.

#include "world/place_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "world/city.h"
#include "world/city_search.h"
#include "world/world_data.h"
#include "world/zone.h"

namespace meridiana {
namespace {

WorldData SmallWorld() {
  WorldData world;
  world.cities = ParseCities(
      "Tokyo\t35.6895\t139.6917\tTokyo (Tokyo)\r\n"
      "Berlin\t48.1374\t11.5755\tMunich (Bavaria)\r\n"
      "Cairo\t30.0626\t31.2497\tCairo (Cairo)\r\n"
      "Berlin\t52.5244\t13.4105\tBerlin (Land Berlin)\r\n");
  world.zones = ParseZones(
      "country\tlatitude\tlongitude\tzone\tcode\tstandard\trule\t\r\n"
      "Japan\t35.6\t139.7\tAsia/Tokyo\tJP\t9\t-\t\r\n"
      "Germany\t52.5\t13.4\tEurope/Berlin\tDE\t1\tEU\t\r\n"
      "Egypt\t30.0\t31.2\tAfrica/Cairo\tEG\t2\t-\t\r\n");
  return world;
}

void UseNames(WorldData& world, const std::string& text, const std::string& code) {
  world.placeNames = std::make_shared<const PlaceNames>(ParsePlaceNames(text, world, code));
  IndexCitySearch(world);
}

TEST(PlaceNames, TableLinesAndWhatTheyName) {
  WorldData world = SmallWorld();
  ASSERT_EQ(world.cities.size(), 4u);
  UseNames(world,
           "; comment\r\n"
           "country\tJapan\t日本\r\n"
           "state\tJapan\tTokyo\t東京都\n"
           "city\t1\tTokyo\t東京\n"
           "city\t2\tBerlin\tベルリン\n"   // the English name is not line 2's: dropped
           "city\t9\tCairo\tカイロ\n"      // past the table
           "city\t0\tTokyo\tX\n"           // lines count from 1
           "city\t1x\tTokyo\tX\n"
           "city\t4\tBerlin\n"             // too few fields
           "country\tGermany\t\n",         // an empty name keeps the English one
           "jp");
  struct Case {
    std::size_t city;
    const char *name, *state, *country;
  };
  const Case cases[] = {{0, "東京", "東京都", "日本"},
                        {1, "Munich ", "Bavaria", "Germany"},
                        {2, "Cairo ", "Cairo", "Egypt"},
                        {3, "Berlin ", "Land Berlin", "Germany"}};
  for (const Case& c : cases) {
    const City& city = world.cities[c.city];
    EXPECT_EQ(CityNameOf(world, city), c.name) << c.city;
    ASSERT_NE(StateNameOf(world, city), nullptr);
    EXPECT_EQ(*StateNameOf(world, city), c.state) << c.city;
    ASSERT_NE(CountryNameOfCity(world, city), nullptr);
    EXPECT_EQ(*CountryNameOfCity(world, city), c.country) << c.city;
  }
  // A city that is not one of the world's (a copy) has only its own name.
  const City copy = world.cities[0];
  EXPECT_EQ(CityNameOf(world, copy), "Tokyo ");
}

TEST(PlaceNames, SearchFindsLocalNamesOnlyInTheirLanguage) {
  WorldData world = SmallWorld();
  UseNames(world,
           "country\tGermany\tDeutschland\n"
           "state\tGermany\tBavaria\tBayern\n"
           "city\t1\tTokyo\t東京\n"
           "city\t2\tMunich\tMünchen\n"
           "city\t3\tCairo\tالقاهرة\n",
           "de");
  auto names = [&world](const char* typed, const char* language) {
    std::vector<std::string> out;
    for (const City* city : SearchCities(world, typed, 5, language))
      out.push_back(std::string(WithoutTrailingBlanks(city->name)));
    return out;
  };
  using V = std::vector<std::string>;
  struct Case {
    const char* typed;
    const char* language;
    V found;
  };
  const Case cases[] = {
      {"東京", "de", V{"Tokyo"}},      // the characters as typed
      {"東", "de", V{"Tokyo"}},        // a prefix of them
      {"MUNCHEN", "de", V{"Munich"}},  // case and accents folded as in English
      {"münchen", "", V{}},            // no language: English names only
      {"münchen", "jp", V{}},          // names of another language are not the world's
      {"munich", "de", V{"Munich"}},   // the English name still finds it
      {"القاهرة", "de", V{"Cairo"}},
      {"bayern", "de", V{"Munich"}},       // the local state
      {"deutschland", "de", V{"Berlin", "Munich"}},  // the local country, zone namesake first
  };
  for (const Case& c : cases) EXPECT_EQ(names(c.typed, c.language), c.found) << c.typed;

  const CityLookup lookup = ResolveCityName(world, "München", "de");
  ASSERT_NE(lookup.city, nullptr);
  EXPECT_EQ(lookup.city, &world.cities[1]);
  // Names loaded after the index was built: the stale index is not used.
  world.placeNames = std::make_shared<const PlaceNames>(
      ParsePlaceNames("city\t4\tBerlin\tベルリン\n", world, "jp"));
  EXPECT_EQ(names("ベルリン", "jp"), V{"Berlin"});
}

TEST(PlaceNames, LanguagesSortByTheirOwnCollation) {
  struct Case {
    const char* language;
    std::vector<std::string> sorted;
  };
  const Case cases[] = {
      // Umlauts sort with their vowel in German, after Z in Swedish.
      {"de", {"Ägypten", "Albanien", "Oman", "Österreich", "Panama", "Zypern"}},
      {"se", {"Albanien", "Oman", "Zypern", "Ägypten", "Österrike"}},
      // Simplified Chinese by pinyin (ai, de, ri), Traditional by strokes (4, 10, 15).
      {"cn", {"埃及", "德国", "日本"}},
      {"b5", {"日本", "埃及", "德國"}},
      {"", {"Egypt", "germany", "Japan"}},  // English ignores case
  };
  for (const Case& c : cases) {
    const PlaceCollator collator(c.language);
    std::vector<std::string> shuffled(c.sorted.rbegin(), c.sorted.rend());
    std::sort(shuffled.begin(), shuffled.end(),
              [&collator](const std::string& a, const std::string& b) {
                return collator.Less(a, b);
              });
    EXPECT_EQ(shuffled, c.sorted) << c.language;
  }
}

}  // namespace
}  // namespace meridiana
