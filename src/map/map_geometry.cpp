#include "map/map_geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

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
  return {TruncToInt((longitude + 180) / 360 * kBaseMapWidth),
          kBaseMapHeight - TruncToInt((latitude + 90) / 180 * kBaseMapHeight)};
}

int MapCenterShift(double center, int width) {
  if (width <= 0 || !(std::fabs(center) <= 180)) return 0;
  const long columns = std::lround(center * kBaseMapWidth / 360.0);
  if (width == kBaseMapWidth) return static_cast<int>(columns);
  return static_cast<int>(std::lround(static_cast<double>(columns) * width / kBaseMapWidth));
}

namespace {
// Wide enough for a column at the int range's end turned by half a map.
int Modulo(long long x, int width) {
  const long long r = x % width;
  return static_cast<int>(r < 0 ? r + width : r);
}
}  // namespace

int PictureColumn(int shownX, int width, double center) {
  const int shift = MapCenterShift(center, width);
  return shift == 0 ? shownX : Modulo(static_cast<long long>(shownX) + shift, width);
}

int ShownColumn(int pictureX, int width, double center) {
  const int shift = MapCenterShift(center, width);
  return shift == 0 ? pictureX : Modulo(static_cast<long long>(pictureX) - shift, width);
}

double WrapLongitude(double longitude) {
  if (!std::isfinite(longitude)) return 0;
  double r = std::fmod(longitude + 180.0, 360.0);
  if (r < 0) r += 360.0;
  return r - 180.0;
}

bool ParseMapCenter(const char* text, double* out) {
  if (text == nullptr) return false;
  // Read the same whatever the locale's decimal mark.
  const std::string_view s(text);
  double v = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
    return false;
  if (v < -180.0 || v > 180.0) return false;
  if (out != nullptr) *out = v;
  return true;
}

MapPoint BaseToView(const MapView& view, MapPoint base) {
  return ShownToView(view, {ShownColumn(base.x, kBaseMapWidth, view.center), base.y});
}

MapPoint ShownToView(const MapView& view, MapPoint shown) {
  int x = shown.x - view.EffectiveScrollX();
  int y = shown.y - view.EffectiveScrollY();
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
  const int shownX = TruncToInt(static_cast<float>(pointer.x) / zoom) + view.dragX + view.scrollX;
  return {PictureColumn(shownX, kBaseMapWidth, view.center),
          TruncToInt(static_cast<float>(pointer.y) / zoom) + view.dragY + view.scrollY};
}

LatLon BaseToLatLon(MapPoint base, int mapWidth, int mapHeight) {
  if (mapWidth <= 0 || mapHeight <= 0) {
    mapWidth = kBaseMapWidth;
    mapHeight = kBaseMapHeight;
  }
  LatLon r;
  r.latitude = std::clamp(90.0 - base.y * 180.0 / mapHeight, -90.0, 90.0);
  r.longitude = std::clamp(base.x * 360.0 / mapWidth - 180.0, -180.0, 180.0);
  return r;
}

double MapScaleKm(float zoom) { return kEquatorKm / (kBaseMapWidth * static_cast<double>(zoom)); }

bool IsUnderPointer(int distance, float zoom) { return static_cast<float>(distance) < 10 * zoom; }

}  // namespace meridiana
