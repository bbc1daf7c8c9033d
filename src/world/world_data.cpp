#include "world/world_data.h"

#include <optional>
#include <string>

#include "foundation/message_box.h"
#include "world/city_search.h"
#include "world/packed_data_file.h"
#include "world/table_text.h"

namespace meridiana {
namespace {

// The text of a table, or nothing after telling the user that it could not be loaded.
std::optional<std::string> ReadTable(const char* path, UserNotice* notice) {
  auto text = ReadPackedDataFile(path);
  if (!text) ErrorBox(notice, "Unable to load file '%s'", path ? path : "");
  return text;
}

std::string InFolder(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + '/' + name;
}

}  // namespace

bool LoadCities(WorldData& world, const char* path, UserNotice* notice) {
  const auto text = ReadTable(path, notice);
  world.cities = text ? ParseCities(*text) : std::vector<City>{};
  return true;
}

bool LoadZones(WorldData& world, const char* path, UserNotice* notice) {
  const auto text = ReadTable(path, notice);
  world.zones = text ? ParseZones(*text) : std::vector<Zone>{};
  // The zones' clocks come from the computer's files, read as each zone is first asked for.
  world.zoneFiles = std::make_shared<ZoneFileCache>(SystemZoneFolder());
  return true;
}

bool LoadDstRules(WorldData& world, const char* path, UserNotice* notice) {
  const auto text = ReadTable(path, notice);
  world.rules = text ? ParseDstRules(*text) : std::vector<DstRule>{};
  return true;
}

bool LoadAreaCodes(WorldData& world, const char* path, UserNotice* notice) {
  const auto text = ReadTable(path, notice);
  world.areaCodes = text ? ParseAreaCodes(*text) : std::vector<AreaCode>{};
  return true;
}

void LoadWorldData(WorldData& world, const std::string& folder, UserNotice* notice) {
  LoadCities(world, InFolder(folder, kCitiesFile).c_str(), notice);
  LoadZones(world, InFolder(folder, kZonesFile).c_str(), notice);
  LoadDstRules(world, InFolder(folder, kDstRulesFile).c_str(), notice);
  LoadAreaCodes(world, InFolder(folder, kAreaCodesFile).c_str(), notice);
  IndexCitySearch(world);
}

const Zone* ZoneOfCity(const WorldData& world, const City& city) {
  for (const Zone& zone : world.zones) {
    if (EqualsIgnoreCase(zone.zoneCity, city.zoneKey)) return &zone;
  }
  return nullptr;
}

const std::string* CountryOfCity(const WorldData& world, const City& city) {
  const Zone* zone = ZoneOfCity(world, city);
  return zone ? &zone->country : nullptr;
}

const DstRule* DstRuleOfCity(const WorldData& world, const City& city) {
  const Zone* zone = ZoneOfCity(world, city);
  if (!zone) return nullptr;
  for (const DstRule& rule : world.rules) {
    if (rule.name == zone->ruleName) return &rule;
  }
  return nullptr;
}

}  // namespace meridiana
