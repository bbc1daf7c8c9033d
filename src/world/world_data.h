#pragma once
// The four reference tables, read once at start-up and kept by the one object that the shell
// creates and hands to whoever needs cities, zones, rules or telephone codes.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/zone_file.h"
#include "world/area_code.h"
#include "world/city.h"
#include "world/dst_rule.h"
#include "world/zone.h"

namespace meridiana {

class UserNotice;
class CitySearchIndex;
struct PlaceNames;

struct WorldData {
  std::vector<City> cities;
  std::vector<Zone> zones;
  std::vector<DstRule> rules;
  std::vector<AreaCode> areaCodes;
  // The computer's zone files, every city's clock where its zone has one; null: the tables
  // alone. LoadZones opens the system's folder.
  std::shared_ptr<ZoneFileCache> zoneFiles;
  // The cities folded for typed search (world/city_search.h); LoadWorldData builds it.
  std::shared_ptr<const CitySearchIndex> citySearch;
  // The place names of the interface language (world/place_names.h); null: English.
  std::shared_ptr<const PlaceNames> placeNames;
};

// Each reads its packed table from `path`. A file that cannot be read shows
// "Unable to load file '<path>'" with the caption "Error" through notice (when given) and
// leaves the list empty; the program goes on without that table, so all of them report success.
bool LoadCities(WorldData& world, const char* path, UserNotice* notice);
bool LoadZones(WorldData& world, const char* path, UserNotice* notice);
bool LoadDstRules(WorldData& world, const char* path, UserNotice* notice);
bool LoadAreaCodes(WorldData& world, const char* path, UserNotice* notice);

// The file names of the tables, in the order they are loaded.
inline constexpr const char* kCitiesFile = "location.dat";
inline constexpr const char* kZonesFile = "tz_data.dat";
inline constexpr const char* kDstRulesFile = "tz_dst.dat";
inline constexpr const char* kAreaCodesFile = "areacode.dat";

// Loads all four tables from a folder (empty: the current directory), in start-up order, and
// indexes the cities for search.
void LoadWorldData(WorldData& world, const std::string& folder, UserNotice* notice);

// The first zone in file order whose place equals the city's zone key, ignoring case.
const Zone* ZoneOfCity(const WorldData& world, const City& city);
// The country of the city's zone, or nothing.
const std::string* CountryOfCity(const WorldData& world, const City& city);
// The first rule in file order whose name equals the zone's rule name exactly.
const DstRule* DstRuleOfCity(const WorldData& world, const City& city);

}  // namespace meridiana
