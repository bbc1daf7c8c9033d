#include "map/globe_render.h"

#include <algorithm>
#include <cmath>

#include "map/base_images.h"
#include "map/sharp_map.h"
#include "world/city_search.h"
#include "world/world_data.h"

namespace meridiana {

int GlobeFrameScale(const MapProjection& projection) {
  // The azimuthal disc stretches the parallels round its centre: 150 degrees out, where the
  // outer quarter of its radius begins, a degree of arc along the circle takes 5.2 times the
  // pixels it takes at the middle.
  const double stretch = projection.kind() == ProjectionKind::kAzimuthal ? 5.2 : 1.0;
  const double columns = 360.0 * projection.PixelsPerDegree() * stretch;
  return std::clamp(static_cast<int>(std::ceil(columns / kBaseMapWidth)), 1, 4);
}

DibPtr RenderGlobe(const SharpImagery* sharp, const MapImages& images, const ViewModes& modes,
                   TimeValue now, const MapProjection& projection) {
  // The frame has the Greenwich meridian in its middle: the projection turns to its own centre.
  const SharpFrame frame = WholeMapFrame(GlobeFrameScale(projection));
  const DibPtr whole = ComposeSharp(ChooseSharpSources(sharp, images.day(), images.night(),
                                                       images.zones(), images.cloud(), frame.step),
                                    modes, now, frame);
  if (!whole) return nullptr;
  return ProjectMap(whole.get(), projection);
}

std::optional<GeoPoint> GlobeCenterOf(const WorldData& world, std::string_view text,
                                      std::string_view homeSetting, const City* zoneCity) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) {
    const City* home = HomeCity(world, homeSetting, zoneCity);
    if (home == nullptr) return std::nullopt;
    return PlaceOf(*home);
  }
  if (const std::optional<GeoPoint> place = ParseLatLon(text)) return place;
  const CityLookup lookup = ResolveCityName(world, text);
  if (lookup.city == nullptr) return std::nullopt;
  return PlaceOf(*lookup.city);
}

}  // namespace meridiana
