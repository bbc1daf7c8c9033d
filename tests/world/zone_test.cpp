#include "world/zone.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

TEST(ParseZones, SkipsHeaderAndTakesPlaceOfZoneName) {
  const auto zones = ParseZones(
      "country\tlat\tlon\tzone\ta\tb\trule\tnote\r\n"
      "Argentina\t-34.6\t-58.4\tAmerica/Argentina/Buenos_Aires\tx\ty\tArg\t\r\n"
      "Germany\t52.5\t13.4\tEurope/Berlin\tx\ty\tEU\tanything here\r\n"
      "Nowhere\t0\t0\tUTC\tx\ty\tNone\t\r\n");
  ASSERT_EQ(zones.size(), 3u);
  EXPECT_EQ(zones[0].country, "Argentina");
  EXPECT_EQ(zones[0].zoneCity, "Buenos_Aires");  // two slashes: the place alone
  EXPECT_EQ(zones[0].ruleName, "Arg");
  EXPECT_FLOAT_EQ(zones[0].latitude, -34.6f);
  EXPECT_FLOAT_EQ(zones[0].longitude, -58.4f);
  EXPECT_EQ(zones[1].zoneCity, "Berlin");
  EXPECT_EQ(zones[1].ruleName, "EU");
  EXPECT_EQ(zones[2].zoneCity, "UTC");  // no slash: taken whole
  EXPECT_FALSE(zones[2].picked);
}

TEST(ParseZones, StopsWhereColumnsRunOut) {
  EXPECT_TRUE(ParseZones("header only, no line end").empty());
  EXPECT_TRUE(ParseZones("header\r\n").empty());
  // The last line lacks its rule column: its record keeps what was read. (A TAB on a later
  // line would be taken instead, as every skip runs across line ends.)
  const auto zones = ParseZones(
      "h\r\n"
      "A\t1\t2\tArea/One\tx\ty\tR1\t\r\n"
      "B\t3\t4\tArea/Two\tx\r\n");
  ASSERT_EQ(zones.size(), 2u);
  EXPECT_EQ(zones[0].ruleName, "R1");
  EXPECT_EQ(zones[1].country, "B");
  EXPECT_EQ(zones[1].zoneCity, "Two");
  EXPECT_EQ(zones[1].ruleName, "");
}

}  // namespace
}  // namespace meridiana
