#pragma once
// The wallpaper as a disc: the map the view modes compose, drawn by the projection and centre the
// settings name, through the code `meridiana-cli render --projection` runs. The picture keeps the
// rectangular wallpaper's shape (twice as wide as high, so each desktop places it as before),
// with the disc filling its height.

#include <optional>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/compose.h"
#include "map/map_projection.h"

namespace meridiana {

class MapImages;
class SharpImagery;
struct City;
struct Settings;
struct WorldData;

// The wallpaper's width when none is set: the disc 1,024 pixels across.
inline constexpr int kGlobeWallpaperWidth = 2048;

// The projection the settings choose for the wallpaper; rectangular for an unknown text.
ProjectionKind WallpaperProjectionOf(const Settings& settings);

// The home city as the settings name it; empty, the city of the computer's zone, while the
// settings have no home of their own.
std::string_view HomeSettingOf(const Settings& settings);

// The disc the settings ask for, `width` pixels wide (0: kGlobeWallpaperWidth) at `now`. An
// empty centre is home (HomeSettingOf, else zoneCity, which may be null); a centre that names no
// place (the city was renamed) falls back to home too, and without a home to 0,0. Null when the
// settings want the rectangular map or a picture is missing.
DibPtr RenderWallpaperGlobe(const Settings& settings, const WorldData& world, const City* zoneCity,
                            const SharpImagery* sharp, const MapImages& images,
                            const ViewModes& modes, TimeValue now, int width);

}  // namespace meridiana
