#include "map/map_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/map_view.h"

namespace meridiana {

namespace {

// Truncation toward zero that stays defined for any input: NaN gives 0 and values beyond the
// int range saturate (a zoom read from a hand-edited settings file can be anything).
int TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kMax = std::numeric_limits<int>::max();
  constexpr double kMin = std::numeric_limits<int>::min();
  if (v >= kMax) return std::numeric_limits<int>::max();
  if (v <= kMin) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

bool UsableZoom(float zoom) { return std::isfinite(zoom) && zoom > 0; }

}  // namespace

MapPoint BaseMapPixel(double longitude, double latitude) {
  // Coordinates come from tables a user may replace; out of range they would overflow below.
  longitude = std::clamp(longitude, -180.0, 180.0);
  latitude = std::clamp(latitude, -90.0, 90.0);
  const int column = TruncToInt((longitude + 180) / 360 * kBaseMapWidth);
  return {ShownColumn(column, kBaseMapWidth),
          kBaseMapHeight - TruncToInt((latitude + 90) / 180 * kBaseMapHeight)};
}

MapPoint BaseToView(const MapView& view, MapPoint base) {
  int x = base.x - view.EffectiveScrollX();
  int y = base.y - view.EffectiveScrollY();
  if (view.zoom != 0 && std::isfinite(view.zoom)) {
    x = TruncToInt(static_cast<float>(x) * view.zoom);
    y = TruncToInt(static_cast<float>(y) * view.zoom);
  }
  return {x, y};
}

MapPoint BaseToWindow(const MapView& view, MapPoint base, const MapRect& area) {
  MapPoint p = BaseToView(view, base);
  return {p.x + area.left, p.y + area.top};
}

MapPoint ViewToBase(const MapView& view, MapPoint pointer) {
  const float zoom = UsableZoom(view.zoom) ? view.zoom : 1.0f;
  return {TruncToInt(static_cast<float>(pointer.x) / zoom) + view.dragX + view.scrollX,
          TruncToInt(static_cast<float>(pointer.y) / zoom) + view.dragY + view.scrollY};
}

LatLon BaseToLatLon(MapPoint base, int mapWidth, int mapHeight) {
  if (mapWidth <= 0 || mapHeight <= 0) {
    mapWidth = kBaseMapWidth;
    mapHeight = kBaseMapHeight;
  }
  LatLon r;
  r.latitude = std::clamp(90.0 - base.y * 180.0 / mapHeight, -90.0, 90.0);
  if (MapCenterShift(mapWidth) == 0) {
    r.longitude = std::clamp(base.x * 360.0 / mapWidth - 180.0, -180.0, 180.0);
    return r;
  }
  const int x = std::clamp(base.x, 0, mapWidth);
  const double longitude = (x + MapCenterShift(mapWidth)) * 360.0 / mapWidth - 180.0;
  // (-180, 180]: the edge column of a map centred on 180 reads as 0 on both sides.
  r.longitude = -WrapLongitude(-longitude);
  return r;
}

double MapScaleKm(float zoom) { return kEquatorKm / (kBaseMapWidth * static_cast<double>(zoom)); }

bool IsUnderPointer(int distance, float zoom) { return static_cast<float>(distance) < 10 * zoom; }

}  // namespace meridiana
