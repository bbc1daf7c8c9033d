#pragma once
// The shipped cities, zones, rules and area codes from the staging folder, loaded once per test
// program (the dialog tests read them, never change them).

#include <string>

#include "world/world_data.h"

namespace meridiana::test {

inline const WorldData& ShippedWorld() {
  static const WorldData world = [] {
    WorldData loaded;
    const std::string stage = MERIDIANA_STAGE_DIR;
    LoadCities(loaded, (stage + "/" + kCitiesFile).c_str(), nullptr);
    LoadZones(loaded, (stage + "/" + kZonesFile).c_str(), nullptr);
    LoadDstRules(loaded, (stage + "/" + kDstRulesFile).c_str(), nullptr);
    LoadAreaCodes(loaded, (stage + "/" + kAreaCodesFile).c_str(), nullptr);
    return loaded;
  }();
  return world;
}

}  // namespace meridiana::test
