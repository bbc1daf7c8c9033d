#include "world/world_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scoped_tz.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"
#include "world/local_time.h"
#include "world/packed_data_file.h"

namespace meridiana {
namespace {

TEST(LoadWorldData, MissingTablesAreReportedAndLeaveEmptyLists) {
  TempDir folder;
  ASSERT_FALSE(folder.path().empty());
  folder.Write(kCitiesFile, PackData("Berlin\t52.5\t13.4\tBerlin\r\n"));
  // tz_data.dat holds plain text, which is not a packed data file.
  folder.Write(kZonesFile, "header\r\n");

  WorldData world;
  world.zones.emplace_back();  // loading replaces what was there
  RecordingNotice notice;
  LoadWorldData(world, folder.path(), &notice);

  EXPECT_EQ(world.cities.size(), 1u);
  EXPECT_TRUE(world.zones.empty());
  EXPECT_TRUE(world.rules.empty());
  EXPECT_TRUE(world.areaCodes.empty());
  const std::vector<RecordingNotice::Message> expected = {
      {"Error", "Unable to load file '" + folder.path() + "/tz_data.dat'"},
      {"Error", "Unable to load file '" + folder.path() + "/tz_dst.dat'"},
      {"Error", "Unable to load file '" + folder.path() + "/areacode.dat'"},
  };
  EXPECT_EQ(notice.messages(), expected);

  // Without a notice the failure is silent, and every loader still reports success.
  EXPECT_TRUE(LoadAreaCodes(world, "/nonexistent/areacode.dat", nullptr));
}

WorldData SmallWorld() {
  WorldData w;
  w.cities = ParseCities(
      "berlin\t52.5\t13.4\tBerlin\r\n"
      "Sydney\t-33.9\t151.2\tSydney\r\n"
      "Nowhere\t0\t0\tNowhere\r\n"
      "Lost\t0\t0\tLost\r\n");
  w.zones = ParseZones(
      "header\r\n"
      "Germany\t52.5\t13.4\tEurope/Berlin\tx\ty\tEU\t\r\n"
      "Duplicate\t52.5\t13.4\tEurope/Berlin\tx\ty\tEU\t\r\n"
      "Australia\t-33.9\t151.2\tAustralia/Sydney\tx\ty\tAN\t\r\n"
      "Lostland\t0\t0\tEtc/Lost\tx\ty\tan\t\r\n");
  w.rules = ParseDstRules(
      "EU\tL\t0\t0\t10\t0\tx\r\nEU\tL\t0\t0\t3\t1\tx\r\n"
      "AN\tF\t0\t0\t4\t0\tx\r\nAN\tF\t0\t0\t10\t1\tx\r\n"
      "EU\tL\t0\t0\t10\t0\tx\r\nEU\tL\t0\t0\t4\t2\tx\r\n");
  return w;
}

TEST(WorldLookups, FirstMatchInFileOrderWithTheirCaseRules) {
  const WorldData w = SmallWorld();
  // Zone keys match the zone's place ignoring case; the first zone in file order wins.
  ASSERT_NE(CountryOfCity(w, w.cities[0]), nullptr);
  EXPECT_EQ(*CountryOfCity(w, w.cities[0]), "Germany");
  EXPECT_EQ(ZoneOfCity(w, w.cities[1]), &w.zones[2]);
  EXPECT_EQ(CountryOfCity(w, w.cities[2]), nullptr);
  EXPECT_EQ(DstRuleOfCity(w, w.cities[2]), nullptr);
  // Rule names match exactly: the first "EU" rule, and "an" is not "AN".
  EXPECT_EQ(DstRuleOfCity(w, w.cities[0]), &w.rules[0]);
  EXPECT_EQ(DstRuleOfCity(w, w.cities[3]), nullptr);
}

TEST(WorldLookups, DaylightSavingOfCities) {
  world_test::ScopedTz tz("UTC");
  const WorldData w = SmallWorld();
  const FixedClock july(UtcFromCalendar(2025, 7, 1));
  const FixedClock january(UtcFromCalendar(2025, 1, 1));
  // Without zone files the tables' rules give the saving; no zone or no rule saves nothing.
  const struct {
    std::size_t city;
    const FixedClock& at;
    int saving;
  } cases[] = {{0, july, 60}, {0, january, 0}, {1, july, 0}, {1, january, 60},
               {2, july, 0}, {3, january, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(CityClockAt(w, w.cities[c.city], nullptr, 0, 0, c.at.Now(), c.at).savingMinutes,
              c.saving)
        << "city " << c.city;
}

}  // namespace
}  // namespace meridiana
