#pragma once
// The map's context menu (resource 102) made ready to open: the ten cities nearest to the click,
// nearest first, in front of each of the four city placeholders (Properties, Weather, Hotels,
// Make Home),
// the layer checks, and Sun Shadow greyed over the night map.

#include <QPoint>
#include <utility>
#include <vector>

#include "map/map_view.h"
#include "world/world_data.h"

class QMenu;

namespace meridiana {

struct MapMenuChecks {
  std::vector<std::pair<int, bool>> layers;  // command, checked
  bool shadow = false;
  bool night = false;
};

// The city commands of the menu, for its entry i: Properties (the first city's when it lies under
// the click), Weather, Hotels and Make Home.
inline constexpr int kCityUnderClickCommand = 18999;
inline constexpr int kFirstCityPropertiesCommand = 19000;
inline constexpr int kFirstCityWeatherCommand = 20000;
inline constexpr int kFirstCityHotelsCommand = 21000;
inline constexpr int kFirstCityHomeCommand = 23000;
inline constexpr int kCityCommandSpan = 1000;

// Picks the cities into view.menuCities (their picked flags set) and fills the menu: city i gets
// the commands 19000 + i (18999 for the first when it lies under the click), 20000 + i,
// 21000 + i and 23000 + i; the placeholders 40014, 40024, 40025 and 40042 go. The cities are
// named in the world's language.
void FillMapContextMenu(QMenu* menu, MapView& view, WorldData& world, QPoint mapAreaPoint,
                        const MapMenuChecks& checks);

}  // namespace meridiana
