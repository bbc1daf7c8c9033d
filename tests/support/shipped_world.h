#pragma once
// The shipped cities, zones, rules and area codes from the staging folder with their search
// index, loaded once per test program (the tests read them, never change them).

#include "world/world_data.h"

namespace meridiana::test {

inline const WorldData& ShippedWorld() {
  static const WorldData world = [] {
    WorldData loaded;
    LoadWorldData(loaded, MERIDIANA_STAGE_DIR, nullptr);  // with the search index, as the program
    return loaded;
  }();
  return world;
}

}  // namespace meridiana::test
