#include "online/aurora_feed.h"

#include <gtest/gtest.h>

#include <string>

namespace meridiana {
namespace {

// A forecast in the forecaster's layout with the given points ("[lon, lat, p], ...").
std::string Forecast(const std::string& points,
                     const std::string& times =
                         "\"Observation Time\": \"2025-01-12T21:42:00Z\", "
                         "\"Forecast Time\": \"2025-01-12T22:51:00Z\", ") {
  return "{" + times + "\"Data Format\": \"[Longitude, Latitude, Aurora]\", \"coordinates\": [" +
         points + "]}";
}

TEST(ReadOvationForecast, ReadsTheGridAndItsTimes) {
  std::string error;
  const std::optional<AuroraGrid> grid =
      ReadOvationForecast(Forecast("[0, -90, 4], [0, -89, 0], [359, 90, 7], [200, 65, 100.4], "
                                   "[-10, 60, 12], [5, 70, -3], [6, 70, 250]"),
                          &error);
  ASSERT_TRUE(grid) << error;
  EXPECT_EQ(grid->observed, 1736718120);
  EXPECT_EQ(grid->forecast, 1736722260);
  const struct {
    int lon, lat, percent;
  } rows[] = {{0, -90, 4}, {359, 90, 7}, {200, 65, 100}, {350, 60, 12},  // -10 is 350 east
              {5, 70, 0},  {6, 70, 100}, {1, 1, 0},      {0, -89, 0}};   // held to 0..100
  for (const auto& r : rows) EXPECT_EQ(grid->At(r.lon, r.lat), r.percent) << r.lon << "," << r.lat;
}

TEST(ReadOvationForecast, RefusesWhatIsNotAForecast) {
  const struct {
    std::string text;
    const char* says;
  } rows[] = {
      {"<html>not json</html>", "not valid JSON"},
      {Forecast("[0, 0, 1]").substr(0, 60), "not valid JSON"},
      {"{\"Forecast Time\": \"2025-01-12T22:51:00Z\"}", "no coordinates list"},
      {Forecast("[0, 0, 1]", ""), "no \"Forecast Time\""},
      {Forecast("[0, 0, 1]", "\"Forecast Time\": \"soon\", "), "not a UTC time"},
      {Forecast(""), "no point"},
      {Forecast("[0, 0]"), "point 1 is not a list of three numbers"},
      {Forecast("[0, 0, 1], [1, 0, 1, 2]"), "point 2 is not a list of three numbers"},
      {Forecast("[0, 0, \"4\"]"), "not a list of three numbers"},
      {Forecast("[0, [0], 4]"), "not a list of three numbers"},
      {Forecast("{\"lon\": 0}"), "not a list of three numbers"},
      {Forecast("7"), "not a list of three numbers"},
      {Forecast("[360, 0, 1]"), "off the one-degree grid"},
      {Forecast("[0, 91, 1]"), "off the one-degree grid"},
      {Forecast("[0.5, 0, 1]"), "off the one-degree grid"},
      {std::string(kMaxOvationBytes + 1, ' '), "larger than 16 MiB"},
  };
  for (const auto& r : rows) {
    std::string error;
    EXPECT_FALSE(ReadOvationForecast(r.text, &error)) << r.says;
    EXPECT_NE(error.find(r.says), std::string::npos) << error;
  }
}

TEST(AuroraPoints, WestToEastFromMinus180WithoutTheZeros) {
  AuroraGrid grid;
  grid.Clear();
  grid.Set(0, 10, 5);
  grid.Set(180, -20, 6);
  grid.Set(359, 30, 7);
  grid.Set(359, -30, 8);
  std::string listed;
  for (const AuroraPoint& p : AuroraPoints(grid))
    listed += std::to_string(p.longitude) + "," + std::to_string(p.latitude) + "," +
              std::to_string(p.percent) + " ";
  EXPECT_EQ(listed, "-180,-20,6 -1,-30,8 -1,30,7 0,10,5 ");
}

TEST(ReadAuroraReply, TakesTheGridPointsAndPassesOverTheRest) {
  const std::string body =
      "<?xml version=\"1.0\"?>\n<AURORA source=\"NOAA SWPC\">\n"
      "<FORECAST observed=\"2025-01-12T21:42:00Z\" forecast=\"2025-01-12T22:51:00Z\"/>\n"
      "<P lon=\"-180\" lat=\"65\" p=\"9\"/><P lon=\"20\" lat=\"70\" p=\"31\"/>"
      "<P lon=\"20\" lat=\"95\" p=\"9\"/><P lon=\"20.5\" lat=\"70\" p=\"9\"/>"
      "<P lon=\"21\" lat=\"70\" p=\"101\"/><P lat=\"70\" p=\"9\"/></AURORA>\n";
  const std::optional<AuroraGrid> grid = ReadAuroraReply(body);
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->forecast, 1736722260);
  EXPECT_EQ(grid->At(180, 65), 9);
  EXPECT_EQ(grid->At(20, 70), 31);
  EXPECT_EQ(grid->At(21, 70), 0);
  EXPECT_EQ(grid->At(0, 70), 0);
  EXPECT_FALSE(ReadAuroraReply("<AURORA><P lon=\"1\" lat=\"2\" p=\"3\"/></AURORA>"));
  bool refused = false;
  EXPECT_FALSE(ReadAuroraReply(std::string(kMaxAuroraReplyBytes + 1, ' '), &refused));
  EXPECT_TRUE(refused);
}

}  // namespace
}  // namespace meridiana
