#include "world/city_clocks.h"

#include "world/local_time.h"

#include <gtest/gtest.h>

#include "scoped_tz.h"

namespace meridiana {
namespace {

City Marked(const char* key, const char* name, bool marked = true) {
  City city;
  city.zoneKey = key;
  city.name = name;
  city.marked = marked;
  return city;
}

Zone ZoneOf(const char* country, const char* place, const char* name) {
  Zone zone;
  zone.country = country;
  zone.zoneCity = place;
  zone.zoneName = name;
  return zone;
}

TEST(MarkedCitiesInSelectorOrder, CountriesInZoneOrderThenFileOrder) {
  WorldData world;
  world.zones = {ZoneOf("Japan", "Tokyo", "Asia/Tokyo"),
                 ZoneOf("Britain", "London", "Europe/London"),
                 ZoneOf("japan", "Osaka", "Asia/Tokyo")};
  world.cities = {Marked("London", "Bath "),     Marked("Tokyo", "Tokyo"),
                  Marked("Nowhere", "Atlantis"), Marked("London", "Leeds", false),
                  Marked("Osaka", "Osaka"),      Marked("London", "York")};
  std::vector<std::string> names;
  for (const City* city : MarkedCitiesInSelectorOrder(world, 10)) names.push_back(city->name);
  // Japan's row takes both spellings; a city of no listed country comes last.
  EXPECT_EQ(names, (std::vector<std::string>{"Tokyo", "Osaka", "Bath ", "York", "Atlantis"}));
  EXPECT_EQ(MarkedCitiesInSelectorOrder(world, 2).size(), 2u);
}

TEST(CityClockLine, WeekdayOnlyWhenTheDateIsNotTheHosts) {
  const CalendarTime hostFriday = UtcBreakdown(UtcFromCalendar(2027, 3, 26, 20, 0));
  const struct {
    TimeValue wallClock;
    const char* line;
  } cases[] = {
      {UtcFromCalendar(2027, 3, 26, 9, 5), "Bath 09:05"},
      {UtcFromCalendar(2027, 3, 27, 5, 0), "Bath Sat 05:00"},    // ahead, past midnight
      {UtcFromCalendar(2027, 3, 25, 23, 59), "Bath Thu 23:59"},  // behind
      {UtcFromCalendar(2026, 3, 26, 9, 5), "Bath Thu 09:05"},    // same day of another year
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(CityClockLine("Bath ", c.wallClock, hostFriday, EnglishWeekdays()), c.line);
  }
}

// A city's clock comes from its zone's file; a zone without a file and a city without a zone
// fall back to the tables (here no picture and no rule: UTC).
TEST(CityClockAt, TheZoneFileWhereThereIsOneElseTheTables) {
  WorldData world;
  world.zones = {ZoneOf("Australia", "Lord_Howe", "Australia/Lord_Howe"),
                 ZoneOf("Nowhere", "Nowhere", "Nowhere/Nowhere")};
  world.cities = {Marked("Lord_Howe", "Lord Howe"), Marked("Nowhere", "Atlantis"),
                  Marked("Missing", "Lost")};
  world.zoneFiles = std::make_shared<ZoneFileCache>(SystemZoneFolder());
  if (!world.zoneFiles->Find("Australia/Lord_Howe")) GTEST_SKIP() << "no zone files";
  const FixedClock host(0);
  const struct {
    TimeValue t;
    int city, offset, standard, saving;
    bool fromFile;
  } cases[] = {
      {UtcFromCalendar(2027, 6, 1), 0, 37800, 37800, 0, true},   // +10:30, from zdump
      {UtcFromCalendar(2027, 1, 10), 0, 39600, 37800, 30, true},  // +11, half an hour saved
      {UtcFromCalendar(2027, 1, 10), 1, 0, 0, 0, false},
      {UtcFromCalendar(2027, 1, 10), 2, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.city);
    const CityClock clock = CityClockAt(world, world.cities[static_cast<std::size_t>(c.city)],
                                        nullptr, 0, 0, c.t, host);
    EXPECT_EQ(clock.offsetSeconds, c.offset);
    EXPECT_EQ(clock.standardSeconds, c.standard);
    EXPECT_EQ(clock.savingMinutes, c.saving);
    EXPECT_EQ(clock.fromZoneFile, c.fromFile);
  }
}

}  // namespace
}  // namespace meridiana
