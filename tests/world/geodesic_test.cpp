#include "world/geodesic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>

#include "support/shipped_world.h"
#include "world/city_search.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

constexpr double kNone = NAN;  // a bearing that must be undefined

struct PathRow {
  const char* name;
  GeoPoint from, to;
  double meters, metersTolerance;
  double initial, final, bearingTolerance;  // kNone: no bearing; NaN tolerance: not checked
};

void ExpectBearing(const std::optional<double>& got, double want, double tolerance,
                   const char* which, const char* row) {
  if (std::isnan(tolerance)) return;
  if (std::isnan(want)) {
    EXPECT_FALSE(got.has_value()) << row << ' ' << which << " = " << got.value_or(0);
    return;
  }
  ASSERT_TRUE(got.has_value()) << row << ' ' << which;
  EXPECT_GE(*got, 0.0) << row;
  EXPECT_LT(*got, 360.0) << row;
  EXPECT_NEAR(*got, want, tolerance) << row << ' ' << which;
}

// NaN meters: the distance is not checked.
void Check(const PathRow& row) {
  const GeodesicPath path = GeodesicBetween(row.from, row.to);
  if (!std::isnan(row.meters)) {
    EXPECT_NEAR(path.meters, row.meters, row.metersTolerance) << row.name;
  }
  ExpectBearing(path.initialBearing, row.initial, row.bearingTolerance, "initial", row.name);
  ExpectBearing(path.finalBearing, row.final, row.bearingTolerance, "final", row.name);
}

// Reference values from GeographicLib's published test set GeodTest.dat (the rows its own test
// suites use) and its regression cases GeodSolve0, 6, 10, 33 and 59 (geodtest.c of the
// library's C port), azimuths turned from -180..180 into 0..360. The near-antipodal rows are
// the ones simple iterations (Vincenty's) fail to converge on.
TEST(GeodesicTest, AgreesWithGeodTestAndTheRegressionCases) {
  const double skip = NAN;
  const PathRow rows[] = {
      {"GeodTest 1",
       {35.60777, -139.44815},
       {-11.17491, -69.95921},
       8935244.5604818305,
       1e-6,
       111.098748429560326,
       129.289270889708762,
       1e-11},
      {"GeodTest 2 (lon past 180)",
       {55.52454, 106.05087},
       {77.03196, 197.18234},
       4105086.1713924406,
       1e-6,
       22.020059880982801,
       109.112041110671519,
       1e-11},
      {"GeodTest 3 (west-going)",
       {-21.97856, 142.59065},
       {41.84138, 98.56635},
       8394328.894657671,
       1e-6,
       360 - 32.44456876433189,
       360 - 41.84359951440466,
       1e-11},
      {"GeodSolve0 JFK-CDG",
       {40.6, -73.8},
       {49.01666667, 2.55},
       5853226,
       0.5,
       53.47022,
       111.59367,
       0.5e-5},
      {"GeodSolve6 near-antipodal",
       {88.202499451857, 0},
       {-88.202499451857, 179.981022032992859592},
       20003898.214,
       0.5e-3,
       skip,
       skip,
       skip},
      {"GeodSolve10 near-antipodal",
       {52.784459512564, 0},
       {-52.784459512563990912, 179.634407464943777557},
       19991596.095,
       0.5e-3,
       skip,
       skip,
       skip},
      {"GeodSolve33 equator 179.5°",
       {0, 0},
       {0, 179.5},
       19980862,
       0.5,
       55.96650,
       124.03350,
       0.5e-5},
      {"GeodSolve33 antipodes over the pole", {0, 0}, {0, 180}, 20003931, 0.5, 0, 180, 0.5e-5},
      {"GeodSolve33 1° off antipodal", {0, 0}, {1, 180}, 19893357, 0.5, 0, 180, 0.5e-5},
      {"GeodSolve59 azimuth a hair east of north",
       {5, 0.00000000000001},
       {10, 180},
       18345191.174332713,
       2.5e-9,
       0.000000000000035,
       179.99999999999996,
       3e-14},  // a double's step at 180
  };
  for (const PathRow& row : rows) Check(row);
}

// Where no direction exists the path says so instead of a number that depends on how the
// pole's longitude was written. Distances: GeographicLib's quarter meridian, 10001965.729 m.
TEST(GeodesicTest, BearingsAreUndefinedAtTheSamePointAndAtThePoles) {
  const PathRow rows[] = {
      {"same point", {51.5, -0.12}, {51.5, -0.12}, 0, 1e-9, kNone, kNone, 0},
      {"180 and -180 are one meridian", {10, 180}, {10, -180}, 0, 1e-9, kNone, kNone, 0},
      {"the pole at two longitudes", {90, 0}, {90, 100}, 0, 1e-9, kNone, kNone, 0},
      {"leaving the North Pole", {90, 0}, {0, 0}, 10001965.729, 1e-3, kNone, 180, 1e-9},
      {"reaching the South Pole", {0, 30}, {-90, 0}, 10001965.729, 1e-3, 180, kNone, 1e-9},
      {"pole to pole", {90, 0}, {-90, 0}, 2 * 10001965.729, 2e-3, kNone, kNone, 0},
      {"near the pole is still a direction", {89.999, 0}, {0, 90}, NAN, 0, 90, 180, 0.1},
  };
  for (const PathRow& row : rows) Check(row);
}

TEST(GeodesicTest, ReadOutText) {
  const CompassLetters german{"N", "S", "O", "W"};
  struct Row {
    double meters;
    std::optional<double> bearing;
    DistanceUnit unit;
    const char* grouping;
    CompassLetters letters;
    const char* want;
  } rows[] = {
      {8920400, 42.3, DistanceUnit::kKilometres, ",", {}, "8,920 km 42\xC2\xB0 NE"},
      {8920600, 42.3, DistanceUnit::kKilometres, ".", german, "8.921 km 42\xC2\xB0 NO"},
      {1609344, 210.0, DistanceUnit::kMiles, ",", {}, "1,000 mi 210\xC2\xB0 SW"},
      {12345678,
       270.0,
       DistanceUnit::kKilometres,
       "\xC2\xA0",
       {},
       "12\xC2\xA0"
       "346 km 270\xC2\xB0 W"},
      {999400, 359.7, DistanceUnit::kKilometres, ",", {}, "999 km 0\xC2\xB0 N"},  // not 360°
      {400, 337.4, DistanceUnit::kKilometres, ",", {}, "0 km 337\xC2\xB0 NW"},
      {0, std::nullopt, DistanceUnit::kKilometres, ",", {}, "0 km"},
  };
  for (const Row& row : rows) {
    GeodesicPath path;
    path.meters = row.meters;
    path.initialBearing = row.bearing;
    EXPECT_EQ(DistanceBearingText(path, row.unit, row.grouping, row.letters), row.want);
  }
  // The eight points turn over halfway between them.
  const struct {
    double bearing;
    const char* point;
  } points[] = {{22.49, "N"},  {22.5, "NE"}, {112.5, "SE"}, {202.4, "S"},
                {292.5, "NW"}, {337.6, "N"}, {-45, "NW"}};
  for (const auto& p : points) EXPECT_EQ(CompassPoint(p.bearing, {}), p.point) << p.bearing;
}

TEST(GeodesicTest, ParsesLatLon) {
  const struct {
    const char* text;
    std::optional<GeoPoint> want;
  } rows[] = {
      {"-33.87,151.21", GeoPoint{-33.87, 151.21}},
      {" 51.5 , -0.12 ", GeoPoint{51.5, -0.12}},
      {"+90,-180", GeoPoint{90, -180}},
      {"90.0001,0", std::nullopt},
      {"0,180.5", std::nullopt},
      {"1,2,3", std::nullopt},
      {"12", std::nullopt},
      {"nan,0", std::nullopt},
      {"inf,0", std::nullopt},
      {",5", std::nullopt},
      {"Paris", std::nullopt},
  };
  for (const auto& row : rows) {
    const std::optional<GeoPoint> got = ParseLatLon(row.text);
    ASSERT_EQ(got.has_value(), row.want.has_value()) << row.text;
    if (!got) continue;
    EXPECT_DOUBLE_EQ(got->latitude, row.want->latitude) << row.text;
    EXPECT_DOUBLE_EQ(got->longitude, row.want->longitude) << row.text;
  }
}

// What Make Home and the Options page write finds the same city again, namesakes included
// ("Springfield" names several); only the few entries that share name, state and country with
// another (two Jinzhous in Liaoning) cannot be told apart by a name.
TEST(HomeSetting, WrittenTextFindsTheCityAgain) {
  const WorldData& world = test::ShippedWorld();
  const auto label = [&world](const City& city) {
    const std::string* country = CountryOfCity(world, city);
    return std::string(WithoutTrailingBlanks(city.name)) + '|' + city.state.value_or("") + '|' +
           (country != nullptr ? *country : "");
  };
  std::map<std::string, int> uses;
  for (const City& city : world.cities) ++uses[label(city)];
  int lost = 0;
  int toldApart = 0;
  int twins = 0;
  std::string example;
  for (const City& city : world.cities) {
    const std::string text = HomeSettingText(world, city);
    toldApart += text.find(", ") != std::string::npos;
    if (uses[label(city)] > 1) {
      ++twins;
      continue;
    }
    if (HomeCity(world, text, nullptr) == &city) continue;
    if (lost++ == 0) example = text;
  }
  EXPECT_EQ(lost, 0) << "e.g. " << example;
  EXPECT_GT(toldApart, 0);
  EXPECT_LT(twins, 20);
  EXPECT_EQ(HomeSettingText(world, *FindCityNamed(world.cities, "Tokyo")), "Tokyo");
}

}  // namespace
}  // namespace meridiana
