#include "world/map_center.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace meridiana {
namespace {

constexpr int kCenterColumns = 1024;  // the base map's width

double g_center = 0;
int g_shift = 0;  // in base-map columns

int Modulo(int x, int width) {
  const int r = x % width;
  return r < 0 ? r + width : r;
}

}  // namespace

void SetMapCenter(double longitude) {
  if (std::isnan(longitude)) longitude = 0;
  g_center = std::clamp(longitude, -180.0, 180.0);
  g_shift = static_cast<int>(std::lround(g_center * kCenterColumns / 360.0));
}

double MapCenter() { return g_center; }

int MapCenterShift(int width) {
  if (width <= 0 || g_shift == 0) return 0;
  if (width == kCenterColumns) return g_shift;
  return static_cast<int>(std::lround(static_cast<double>(g_shift) * width / kCenterColumns));
}

int PictureColumn(int shownX, int width) {
  const int shift = MapCenterShift(width);
  return shift == 0 ? shownX : Modulo(shownX + shift, width);
}

int ShownColumn(int pictureX, int width) {
  const int shift = MapCenterShift(width);
  return shift == 0 ? pictureX : Modulo(pictureX - shift, width);
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

}  // namespace meridiana
