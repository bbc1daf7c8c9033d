#pragma once
// The composed map as a globe: the layers composed for the whole Earth at a resolution that
// matches the disc (from the sharp pictures where the disc needs more than the base map), then
// sampled through the projection. What `render --projection` and the globe wallpaper draw.

#include <optional>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/compose.h"
#include "map/map_projection.h"
#include "world/geodesic.h"

namespace meridiana {

class MapImages;
class SharpImagery;
struct WorldData;

// Device pixels per base-map pixel of the whole-Earth frame a disc is sampled from, 1 to 4:
// enough for the orthographic disc's middle, where it is finest, and for the azimuthal disc out
// to its outer quarter.
int GlobeFrameScale(const MapProjection& projection);

// The disc of the map the modes compose at `now`: day, night, zones and clouds from `images`
// (the sharp pictures of `sharp`, which may be null, where the frame needs them), shaded for
// the Sun at every place of the frame. Null when a picture the modes need is missing.
DibPtr RenderGlobe(const SharpImagery* sharp, const MapImages& images, const ViewModes& modes,
                   TimeValue now, const MapProjection& projection);

// The centre a globe's setting names: "LAT,LON", a city name (resolved as typed names are, one
// city only), or empty for the home city (the home setting, else the city of the computer's
// zone, zoneCity, which may be null). None when the text names no single place, or when it is
// empty and there is no home.
std::optional<GeoPoint> GlobeCenterOf(const WorldData& world, std::string_view text,
                                      std::string_view homeSetting, const City* zoneCity);

}  // namespace meridiana
