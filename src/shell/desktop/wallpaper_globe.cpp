#include "shell/desktop/wallpaper_globe.h"

#include <algorithm>

#include "map/globe_render.h"
#include "shell/app/settings.h"

namespace meridiana {

ProjectionKind WallpaperProjectionOf(const Settings& settings) {
  return ParseProjectionKind(settings.wallpaperProjection).value_or(ProjectionKind::kRectangular);
}

std::string_view HomeSettingOf(const Settings& settings) { return settings.home; }

DibPtr RenderWallpaperGlobe(const Settings& settings, const WorldData& world, const City* zoneCity,
                            const SharpImagery* sharp, const MapImages& images,
                            const ViewModes& modes, TimeValue now, int width) {
  const ProjectionKind kind = WallpaperProjectionOf(settings);
  if (kind == ProjectionKind::kRectangular) return nullptr;
  const std::string_view homeSetting = HomeSettingOf(settings);
  std::optional<GeoPoint> center =
      GlobeCenterOf(world, settings.wallpaperCenter, homeSetting, zoneCity);
  if (!center) center = GlobeCenterOf(world, "", homeSetting, zoneCity);
  const GeoPoint at = center.value_or(GeoPoint{});
  const int pictureWidth = width > 0 ? width : kGlobeWallpaperWidth;
  const MapProjection projection(kind, at.latitude, at.longitude, pictureWidth,
                                 std::max(1, pictureWidth / 2));
  return RenderGlobe(sharp, images, modes, now, projection);
}

}  // namespace meridiana
