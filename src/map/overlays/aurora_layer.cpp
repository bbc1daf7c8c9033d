// The Aurora layer: the forecast's probability of an aurora overhead, laid over the night side
// of the map as a green glow, smooth between the grid's points.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "map/overlays/overlays.h"
#include "map/twilight.h"

namespace meridiana {
namespace {

constexpr Rgb kAuroraColour{70, 255, 130};
// The glow is at its strongest from this probability up: a quiet night's oval peaks near 25 %,
// so it shows plainly, and a storm's wider oval shows by its extent.
constexpr float kStrongestPercent = 30.0f;
// Below this the glow is left out: an aurora overhead is unlikely there, and the forecast's grid
// carries 1 to 3 % all along the equator, which would draw a line round the Earth.
constexpr float kFaintestPercent = 5.0f;
constexpr float kStrongestOpacity = 0.85f;
constexpr double kDarkBelow = -6.0;  // the end of civil twilight

constexpr int kLon = AuroraGrid::kLongitudes;
constexpr int kLat = AuroraGrid::kLatitudes;

// Where a window column falls on the grid: the two longitudes it lies between and the weight of
// the second.
struct GridStep {
  int first = 0;
  int second = 0;
  float weight = 0;
};

}  // namespace

float AuroraNightWeight(double sunElevation) {
  if (!(sunElevation < 0)) return 0.0f;
  if (sunElevation <= kDarkBelow) return 1.0f;
  return static_cast<float>(sunElevation / kDarkBelow);
}

std::vector<float> AuroraOpacity(const AuroraGrid& grid, TimeValue now) {
  if (grid.empty()) return {};
  const std::optional<SubsolarPoint> sun = SubsolarPointAt(now);
  if (!sun) return {};
  // The sine of the Sun's elevation, sin(lat) sin(dec) + cos(lat) cos(dec) cos(lon - sun's lon),
  // from factors of each row and column; the arc sine is taken only in twilight.
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  std::vector<double> cosHour(kLon);
  for (int lon = 0; lon < kLon; ++lon)
    cosHour[static_cast<std::size_t>(lon)] = std::cos((lon - sun->longitude) * kRad);
  const double sinDark = std::sin(kDarkBelow * kRad);
  std::vector<float> opacity(grid.percent.size(), 0.0f);
  for (int lat = -90; lat <= 90; ++lat) {
    const double a = std::sin(lat * kRad) * std::sin(sun->latitude * kRad);
    const double b = std::cos(lat * kRad) * std::cos(sun->latitude * kRad);
    for (int lon = 0; lon < kLon; ++lon) {
      const int percent = grid.At(lon, lat);
      if (static_cast<float>(percent) <= kFaintestPercent) continue;
      const double sine = a + b * cosHour[static_cast<std::size_t>(lon)];
      if (sine >= 0) continue;
      const float night =
          sine <= sinDark ? 1.0f : AuroraNightWeight(std::asin(std::max(-1.0, sine)) / kRad);
      const float strength =
          std::min(1.0f, (static_cast<float>(percent) - kFaintestPercent) /
                             (kStrongestPercent - kFaintestPercent));
      opacity[static_cast<std::size_t>(lat + 90) * kLon + static_cast<std::size_t>(lon)] =
          strength * kStrongestOpacity * night;
    }
  }
  return opacity;
}

void DrawAurora(Canvas& canvas, const OverlayScene& scene) {
  if (scene.aurora == nullptr || scene.clock == nullptr || scene.view == nullptr) return;
  const std::vector<float> opacity = AuroraOpacity(*scene.aurora, scene.clock->Now());
  if (opacity.empty()) return;
  MapRect r = VisibleMap(scene);
  if (scene.clip.width > 0 && scene.clip.height > 0) {
    const int left = std::max(r.left, scene.clip.left);
    const int top = std::max(r.top, scene.clip.top);
    const int right = std::min(r.left + r.width, scene.clip.left + scene.clip.width);
    const int bottom = std::min(r.top + r.height, scene.clip.top + scene.clip.height);
    r = {left, top, right - left, bottom - top};
  }
  if (r.width <= 0 || r.height <= 0) return;

  // Rows of the grid with any glow: most of the map (the tropics, the day side) has none.
  std::vector<bool> lit(kLat, false);
  for (int j = 0; j < kLat; ++j)
    lit[static_cast<std::size_t>(j)] =
        std::any_of(opacity.begin() + j * kLon, opacity.begin() + (j + 1) * kLon,
                    [](float v) { return v > 0.0f; });

  // Window pixels to base-map pixels as ViewToBase takes them, at the pixel's middle, then to
  // the grid: longitude 0..359 east, latitude row 0 at -90.
  const MapView& view = *scene.view;
  const float zoom = std::isfinite(view.zoom) && view.zoom > 0 ? view.zoom : 1.0f;
  const int shift = MapCenterShift(view.center, kBaseMapWidth);
  std::vector<GridStep> columns(static_cast<std::size_t>(r.width));
  for (int x = 0; x < r.width; ++x) {
    double shown = (x + r.left - scene.area.left + 0.5) / zoom + view.EffectiveScrollX();
    double base = std::fmod(shown + shift, static_cast<double>(kBaseMapWidth));
    if (base < 0) base += kBaseMapWidth;
    double east = base * 360.0 / kBaseMapWidth + 180.0;  // 180 at the map's left edge
    east = std::fmod(east, 360.0);
    const int first = std::min(static_cast<int>(east), kLon - 1);
    columns[static_cast<std::size_t>(x)] = {first, (first + 1) % kLon,
                                            static_cast<float>(east - first)};
  }

  std::vector<std::uint8_t> alpha;
  int bandTop = -1;  // the first row of the band of rows with glow being gathered
  const auto flush = [&](int endRow) {
    if (bandTop >= 0)
      canvas.Glow(r.left, r.top + bandTop, r.width, endRow - bandTop, alpha.data(), kAuroraColour);
    bandTop = -1;
    alpha.clear();
  };
  for (int y = 0; y < r.height; ++y) {
    const double baseY = (y + r.top - scene.area.top + 0.5) / zoom + view.EffectiveScrollY();
    const double row = std::clamp(90.0 - baseY * 180.0 / kBaseMapHeight, -90.0, 90.0) + 90.0;
    const int south = std::min(static_cast<int>(row), kLat - 2);
    const float up = static_cast<float>(row - south);
    if (!lit[static_cast<std::size_t>(south)] && !lit[static_cast<std::size_t>(south + 1)]) {
      flush(y);
      continue;
    }
    if (bandTop < 0) bandTop = y;
    const float* a = opacity.data() + static_cast<std::size_t>(south) * kLon;
    const float* b = a + kLon;
    const std::size_t start = alpha.size();
    alpha.resize(start + static_cast<std::size_t>(r.width));
    std::uint8_t* out = alpha.data() + start;
    for (int x = 0; x < r.width; ++x) {
      const GridStep& c = columns[static_cast<std::size_t>(x)];
      const float lower = a[c.first] + (a[c.second] - a[c.first]) * c.weight;
      const float upper = b[c.first] + (b[c.second] - b[c.first]) * c.weight;
      const float value = lower + (upper - lower) * up;
      out[x] = static_cast<std::uint8_t>(value * 255.0f + 0.5f);
    }
  }
  flush(r.height);
}

}  // namespace meridiana
