#include <gtest/gtest.h>

#include <cmath>

#include "map/overlays/overlays.h"
#include "support/recording_canvas.h"
#include "world/moon.h"

namespace meridiana {
namespace {

TEST(MoonPixelLit, TheSideTowardsTheSunByPhase) {
  struct Row {
    double dx, dy, phaseAngle, bearing;
    bool lit;
    const char* what;
  };
  const Row rows[] = {
      {0.0, 0.0, 0, 90, true, "full: centre"},
      {-0.95, 0.0, 0, 90, true, "full: far side"},
      {0.0, 0.0, 180, 90, false, "new: centre"},
      {0.95, 0.0, 180, 90, false, "new: near side"},
      {-0.5, 0.0, 90, 270, true, "quarter lit west: west half"},
      {0.5, 0.0, 90, 270, false, "quarter lit west: east half"},
      {0.0, -0.5, 90, 0, true, "quarter lit north: north is up"},
      {0.0, 0.5, 90, 0, false, "quarter lit north: south half"},
      {0.9, 0.0, 150, 90, true, "crescent: the rim towards the Sun"},
      {0.3, 0.0, 150, 90, false, "crescent: not the middle"},
      {-0.3, 0.0, 30, 90, true, "gibbous: past the middle"},
      {-0.95, 0.0, 30, 90, false, "gibbous: not the far rim"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MoonPixelLit(r.dx, r.dy, r.phaseAngle, r.bearing), r.lit) << r.what;
}

struct MoonScene {
  MapView view;
  WorldData world;
  FixedClock clock{0};
  OverlayScene Make(TimeValue at, bool names, MapPoint pointer) {
    clock.Set(at);
    OverlayScene s;
    s.view = &view;
    s.area = {0, 0, 1024, 512};
    s.pictureRight = 1024;
    s.pictureBottom = 512;
    s.world = &world;
    s.clock = &clock;
    s.layers.moon = true;
    s.layers.cityNames = names;
    s.pointer = pointer;
    return s;
  }
};

struct Drawn {
  int lit = 0;
  double meanDx = 0;  // of the lit pixels, from the centre
};

Drawn LitPixels(const RecordingCanvas& canvas, const MapPoint& centre) {
  Drawn d;
  for (const auto& line : canvas.lines) {
    for (int x = line.x0; x < line.x1; ++x) {
      ++d.lit;
      d.meanDx += x - centre.x;
    }
  }
  if (d.lit > 0) d.meanDx /= d.lit;
  return d;
}

// The share of the disc drawn lit follows the lit fraction, on the side of the Sun: west of the
// Moon's point while it waxes, east while it wanes. Instants from the phase table of January
// 2024 (in-the-sky.org, DE430) and two crescents between.
TEST(DrawMoon, LitShareAndSideFollowThePhase) {
  struct Row {
    TimeValue at;
    int side;  // -1 lit to the west, +1 to the east, 0 either
  };
  const Row rows[] = {
      {UtcFromCalendar(2024, 1, 11, 11, 58, 0), 0},  // new
      {UtcFromCalendar(2024, 1, 14, 0, 0, 0), -1},   // waxing crescent
      {UtcFromCalendar(2024, 1, 18, 3, 53, 0), -1},  // first quarter
      {UtcFromCalendar(2024, 1, 25, 17, 53, 0), 0},  // full
      {UtcFromCalendar(2024, 1, 8, 0, 0, 0), 1},     // waning crescent
  };
  const int discPixels = [] {
    int n = 0;
    for (int y = -kMoonRadius; y <= kMoonRadius; ++y)
      for (int x = -kMoonRadius; x <= kMoonRadius; ++x)
        if (x * x + y * y <= kMoonRadius * kMoonRadius) ++n;
    return n;
  }();
  for (const Row& r : rows) {
    MoonScene scene;
    const OverlayScene s = scene.Make(r.at, false, {0, 0});
    RecordingCanvas canvas;
    DrawMoon(canvas, s);
    const MoonPosition moon = MoonAt(r.at);
    const MapPoint centre = BaseToWindow(
        scene.view, BaseMapPixel(moon.subLunarLongitude, moon.subLunarLatitude), s.area);
    ASSERT_EQ(canvas.ellipses.size(), 1u);
    EXPECT_EQ((canvas.ellipses[0].left + canvas.ellipses[0].right - 1) / 2, centre.x);
    EXPECT_EQ((canvas.ellipses[0].top + canvas.ellipses[0].bottom - 1) / 2, centre.y);
    const Drawn d = LitPixels(canvas, centre);
    // A 13-pixel disc cannot show the fraction finer than its rim.
    EXPECT_NEAR(static_cast<double>(d.lit) / discPixels, moon.illuminatedFraction, 0.12) << r.at;
    if (r.side != 0) {
      EXPECT_GT(d.meanDx * r.side, 1.0) << r.at;
    }
    EXPECT_TRUE(canvas.texts.empty());
  }
}

TEST(DrawMoon, NameAndFractionUnderCityNamesNearThePointer) {
  const TimeValue quarter = UtcFromCalendar(2024, 1, 18, 3, 53, 0);
  const MoonPosition moon = MoonAt(quarter);
  MoonScene scene;
  const OverlayScene probe = scene.Make(quarter, true, {0, 0});
  const MapPoint centre = BaseToWindow(
      scene.view, BaseMapPixel(moon.subLunarLongitude, moon.subLunarLatitude), probe.area);
  struct Row {
    bool names;
    MapPoint pointer;
    bool label;
  };
  const Row rows[] = {
      {true, {centre.x + 3, centre.y - 4}, true},
      {true, {centre.x + kMoonHoverRadius + 1, centre.y}, false},
      {false, {centre.x, centre.y}, false},
  };
  for (const Row& r : rows) {
    RecordingCanvas canvas;
    DrawMoon(canvas, scene.Make(quarter, r.names, r.pointer));
    if (!r.label) {
      EXPECT_TRUE(canvas.texts.empty());
      continue;
    }
    ASSERT_EQ(canvas.texts.size(), 1u);
    EXPECT_EQ(canvas.texts[0].text, "Moon 50%");
    EXPECT_GT(canvas.texts[0].x, centre.x + kMoonRadius);
  }
}

TEST(PaintOverlays, MoonOnlyWhenItsLayerIsOn) {
  MoonScene scene;
  OverlayScene s = scene.Make(UtcFromCalendar(2024, 1, 18, 3, 53, 0), false, {0, 0});
  HoverState hover;
  RecordingCanvas on;
  PaintOverlays(on, s, false, hover);
  EXPECT_EQ(on.ellipses.size(), 1u);
  s.layers.moon = false;
  RecordingCanvas off;
  PaintOverlays(off, s, false, hover);
  EXPECT_TRUE(off.ellipses.empty());
  EXPECT_EQ(off.lines.size(), 2u);  // the edge above the map, nothing else
}

}  // namespace
}  // namespace meridiana
