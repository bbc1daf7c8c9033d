#include "world/city.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace meridiana {
namespace {

struct RegionCase {
  const char* column4;
  const char* name;
  std::optional<std::string> state;
};

TEST(ParseCities, DisplayNameAndRegion) {
  const RegionCase cases[] = {
      {"Springfield (Illinois)", "Springfield ", "Illinois"},
      {"Nowhere (Alpha) (Beta)", "Nowhere (Alpha) ", "Alpha"},  // cut at the last "("
      {"Openend (Region", "Openend ", "Region"},                // no ")"
      {"Plain", "Plain", std::nullopt},
      {"Trailing )", "Trailing )", std::nullopt},  // only "(" starts a region
      {"(Only)", "", "Only"},
  };
  for (const RegionCase& c : cases) {
    SCOPED_TRACE(c.column4);
    const auto cities = ParseCities(std::string("key\t1\t2\t") + c.column4 + "\r\n");
    ASSERT_EQ(cities.size(), 1u);
    EXPECT_EQ(cities[0].name, c.name);
    EXPECT_EQ(cities[0].state, c.state);
  }
}

TEST(ParseCities, ReadsColumnsInFileOrderAndSkipsBlankRuns) {
  const auto cities = ParseCities(
      "\r\n  Sydney\t-33.87\t151.21\tSydney (New South Wales)\r\n"
      "\r\n\r\n"
      "London\t  51.5\t\t-0.12\t  London\r\n"
      "Quito\t-0.22abc\tW78\tQuito");  // trailing text after a number, no digit first, no CR LF
  ASSERT_EQ(cities.size(), 3u);
  EXPECT_EQ(cities[0].zoneKey, "Sydney");
  EXPECT_FLOAT_EQ(cities[0].latitude, -33.87f);
  EXPECT_FLOAT_EQ(cities[0].longitude, 151.21f);
  EXPECT_EQ(cities[0].state, "New South Wales");
  // Blanks and an extra TAB before a field are skipped.
  EXPECT_EQ(cities[1].zoneKey, "London");
  EXPECT_FLOAT_EQ(cities[1].latitude, 51.5f);
  EXPECT_FLOAT_EQ(cities[1].longitude, -0.12f);
  EXPECT_EQ(cities[1].name, "London");
  EXPECT_FLOAT_EQ(cities[2].latitude, -0.22f);
  EXPECT_FLOAT_EQ(cities[2].longitude, 0.0f);
  EXPECT_EQ(cities[2].name, "Quito");
  for (const City& c : cities) EXPECT_FALSE(c.marked || c.picked);
}

TEST(ParseCities, NumberForms) {
  struct Case {
    const char* text;
    float value;
  };
  const Case cases[] = {{"+12.5", 12.5f}, {"-7", -7.0f},   {".5", 0.5f}, {"1e2", 100.0f},
                        {"1e", 1.0f},     {"2E-1x", 0.2f}, {"-", 0.0f},  {"1e99", 0.0f},
                        {"3.", 3.0f},     {"- 4", 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto cities = ParseCities(std::string("k\t") + c.text + "\t0\tN\r\n");
    ASSERT_EQ(cities.size(), 1u);
    EXPECT_FLOAT_EQ(cities[0].latitude, c.value);
  }
}

TEST(ParseCities, FinalLineEndMakesNoExtraRecord) {
  EXPECT_EQ(ParseCities("a\t1\t2\tA\r\nb\t3\t4\tB\r\n").size(), 2u);
  EXPECT_EQ(ParseCities("a\t1\t2\tA\r\nb\t3\t4\tB\r\n\r\n  \t").size(), 2u);
  EXPECT_TRUE(ParseCities("").empty());
  EXPECT_TRUE(ParseCities(" \r\n\t").empty());
}

TEST(ParseCities, MissingTabEndsReadingButKeepsTheRecord) {
  // The last line lacks its third TAB: its record keeps zone key and latitude. (A TAB on a
  // later line would be taken instead, as every search runs across line ends.)
  const auto cities = ParseCities("a\t1\t2\tA\r\nb\t3 4 B\r\n");
  ASSERT_EQ(cities.size(), 2u);
  EXPECT_EQ(cities[1].zoneKey, "b");
  EXPECT_FLOAT_EQ(cities[1].latitude, 3.0f);
  EXPECT_FLOAT_EQ(cities[1].longitude, 0.0f);
  EXPECT_EQ(cities[1].name, "");

  // Without a second TAB the record has only its zone key and the latitude.
  const auto short1 = ParseCities("z\t7\r\n");
  ASSERT_EQ(short1.size(), 1u);
  EXPECT_FLOAT_EQ(short1[0].latitude, 7.0f);
}

TEST(ParseCities, TextEndsAtNul) {
  const std::string text("a\t1\t2\tA\r\n\0b\t3\t4\tB\r\n", 20);
  EXPECT_EQ(ParseCities(text).size(), 1u);
}

TEST(FindCityForMark, FirstCityInListOrderWhoseNamePrefixesTheSavedText) {
  auto cities = ParseCities(
      "x\t0\t-89.9\tSpring\r\n"
      "x\t0\t-89.6\tSpringfield (Illinois)\r\n"
      "x\t0\t-90.1\tLongname\r\n"
      "x\t0\t12.7\tspringfield\r\n");
  // Spring comes first and its whole name is a prefix of the saved text; -89.9 truncates to -89.
  EXPECT_EQ(FindCityForMark(cities, "Springfield", -89), &cities[0]);
  EXPECT_EQ(FindCityForMark(cities, "SPRINGFIELD", -89), &cities[0]);
  EXPECT_EQ(FindCityForMark(cities, "Springfield", -90), nullptr);
  EXPECT_EQ(FindCityForMark(cities, "Longname", -90), &cities[2]);
  EXPECT_EQ(FindCityForMark(cities, "Long", -90), nullptr);  // the name is longer than the text
  EXPECT_EQ(FindCityForMark(cities, "Springfield", 12), &cities[3]);
  EXPECT_EQ(FindCityForMark(cities, "Springfield", 13), nullptr);
}

}  // namespace
}  // namespace meridiana
