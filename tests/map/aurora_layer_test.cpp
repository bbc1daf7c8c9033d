#include <gtest/gtest.h>

#include "map/overlays/overlays.h"
#include "support/recording_canvas.h"

namespace meridiana {
namespace {

// 2025-01-12 22:51 UTC: northern winter, the Sun over the Pacific near 165 W, so northern
// Europe lies in the dark and the central Pacific in daylight.
constexpr TimeValue kWinterNight = 1736722260;

TEST(AuroraNightWeight, FadesInThroughCivilTwilight) {
  const struct {
    double elevation;
    float weight;
  } rows[] = {{30, 0}, {0.5, 0}, {0, 0}, {-3, 0.5f}, {-6, 1}, {-40, 1}};
  for (const auto& r : rows)
    EXPECT_FLOAT_EQ(AuroraNightWeight(r.elevation), r.weight) << r.elevation;
}

struct Brightest {
  MapPoint at{-1, -1};
  int alpha = 0;
  int AlphaAt(const RecordingCanvas& canvas, MapPoint p) const {
    for (const auto& g : canvas.glows)
      if (p.x >= g.rect.left && p.x < g.rect.left + g.rect.width && p.y >= g.rect.top &&
          p.y < g.rect.top + g.rect.height)
        return g.alpha[std::size_t(p.y - g.rect.top) * g.rect.width + (p.x - g.rect.left)];
    return 0;
  }
};

// What DrawAurora draws of the grid on a winter night, through the view, onto the area.
RecordingCanvas Painted(const AuroraGrid& grid, const MapView& view, MapRect area,
                        MapRect clip = {}) {
  FixedClock clock(kWinterNight);
  OverlayScene scene;
  scene.view = &view;
  scene.area = area;
  scene.clip = clip;
  scene.clock = &clock;
  scene.aurora = &grid;
  RecordingCanvas canvas;
  DrawAurora(canvas, scene);
  return canvas;
}

Brightest FindBrightest(const RecordingCanvas& canvas) {
  Brightest b;
  for (const auto& g : canvas.glows)
    for (int y = 0; y < g.rect.height; ++y)
      for (int x = 0; x < g.rect.width; ++x)
        if (const int a = g.alpha[std::size_t(y) * g.rect.width + x]; a > b.alpha)
          b = {{g.rect.left + x, g.rect.top + y}, a};
  return b;
}

// One grid point at full probability lands where the map puts its longitude and latitude, at
// any centre, zoom and scroll, and glows only in the dark.
TEST(DrawAurora, APointGlowsWhereTheMapPutsItAndOnlyAtNight) {
  const struct {
    const char* what;
    int lon, lat;  // the point, longitude -180..179
    double center;
    float zoom;
    int scrollX, scrollY;
    bool glows;
    int percent = 100;
  } rows[] = {
      {"Tromso at night", 19, 69, 0, 1, 0, 0, true},
      {"west of Greenwich at night", -20, 65, 0, 1, 0, 0, true},
      {"the Pacific centre turns the columns", 19, 69, 150, 1, 0, 0, true},
      {"next to the date line, centre 180", 179, 80, 180, 1, 0, 0, true},
      {"zoomed and scrolled", 19, 69, 0, 2.5f, 300, 40, true},
      {"Hawaii in daylight", -157, 21, 0, 1, 0, 0, false},
      {"Antarctica under the midnight sun", 19, -75, 0, 1, 0, 0, false},
      // The forecast's grid carries such values all along the equator.
      {"5 % and less at night", 19, 69, 0, 1, 0, 0, false, 5},
  };
  for (const auto& r : rows) {
    AuroraGrid grid;
    grid.Clear();
    grid.Set((r.lon + 360) % 360, r.lat, r.percent);
    MapView view;
    view.center = r.center;
    view.zoom = r.zoom;
    view.scrollX = r.scrollX;
    view.scrollY = r.scrollY;
    const MapRect area{10, 20, 1024, 512};
    const RecordingCanvas canvas = Painted(grid, view, area);
    const Brightest b = FindBrightest(canvas);
    if (!r.glows) {
      EXPECT_EQ(b.alpha, 0) << r.what;
      continue;
    }
    // BaseMapPixel truncates: the point's own pixel starts where its degree starts.
    const MapPoint expected = BaseToWindow(view, BaseMapPixel(r.lon, r.lat), area);
    EXPECT_NEAR(b.at.x, expected.x, 2 * r.zoom + 1) << r.what;
    EXPECT_NEAR(b.at.y, expected.y, 2 * r.zoom + 1) << r.what;
    // Pixel middles fall up to half a pixel off the grid's points: at least 0.67 of full.
    EXPECT_GE(b.alpha, 130) << r.what;
    EXPECT_EQ(canvas.glows[0].colour.g, 255) << r.what;
    // A glow, not a square: half a degree east it is about half as strong, and two degrees away
    // it is gone.
    const int half = b.AlphaAt(canvas, {b.at.x + int(1.42f * r.zoom), b.at.y});
    EXPECT_GT(half, b.alpha / 4) << r.what;
    EXPECT_LT(half, b.alpha * 3 / 4) << r.what;
    EXPECT_EQ(b.AlphaAt(canvas, {b.at.x + int(6 * r.zoom), b.at.y}), 0) << r.what;
  }
}

// A paint of a small part of the map gives the glow of that part only.
TEST(DrawAurora, KeepsToTheClip) {
  AuroraGrid grid;
  grid.Clear();
  for (int lon = 0; lon < 360; ++lon) grid.Set(lon, 65, 40);
  const RecordingCanvas canvas = Painted(grid, MapView{}, {0, 0, 1024, 512}, {500, 40, 20, 60});
  ASSERT_EQ(canvas.glows.size(), 1u);
  EXPECT_EQ(canvas.glows[0].rect.left, 500);
  EXPECT_EQ(canvas.glows[0].rect.width, 20);
  EXPECT_LE(canvas.glows[0].rect.height, 8);  // the lit rows only, two degrees either side
}

}  // namespace
}  // namespace meridiana
