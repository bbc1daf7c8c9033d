// The Moon layer: a small disc at the point the Moon stands over, lit on the side that faces
// the Sun as much as the Moon is lit, and with City Names on, its name and lit fraction when the
// pointer comes near.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "map/overlays/overlays.h"
#include "world/moon.h"

namespace meridiana {
namespace {

constexpr Rgb kMoonDark{70, 70, 80};
constexpr Rgb kMoonLit{250, 245, 215};
constexpr Rgb kMoonRim{30, 30, 30};
constexpr Rgb kMoonLabel{255, 255, 255};
constexpr double kRad = 3.14159265358979323846 / 180.0;

}  // namespace

MoonMark MoonMarkAt(const OverlayScene& scene, TimeValue now) {
  const MoonPosition moon = MoonAt(now);
  MoonMark mark;
  mark.centre = PlaceWindowPoint(scene, moon.subLunarLongitude, moon.subLunarLatitude);
  mark.illuminatedFraction = moon.illuminatedFraction;
  mark.phaseAngle = moon.phaseAngle;
  mark.litBearing = moon.litBearing;
  return mark;
}

bool MoonPixelLit(double dx, double dy, double phaseAngle, double litBearing) {
  // (a, b) in the disc's plane with a towards the Sun's side (bearing clockwise from north, y
  // down on the map), z towards the viewer: lit where the surface normal has a positive part
  // along the Sun's direction, which is phaseAngle away from the viewer's.
  const double ux = std::sin(litBearing * kRad);
  const double uy = -std::cos(litBearing * kRad);
  const double a = dx * ux + dy * uy;
  const double zz = 1.0 - dx * dx - dy * dy;
  const double z = zz > 0 ? std::sqrt(zz) : 0.0;
  return a * std::sin(phaseAngle * kRad) + z * std::cos(phaseAngle * kRad) > 0;
}

namespace {

// The disc centred on (cx, cy): dark, with its lit part row by row.
void DrawMoonDisc(Canvas& canvas, const MoonMark& mark, int cx, int cy) {
  canvas.Ellipse(cx - kMoonRadius - 1, cy - kMoonRadius - 1, cx + kMoonRadius + 2,
                 cy + kMoonRadius + 2, kMoonRim, kMoonDark);
  // The lit part row by row, as runs of pixel centres inside the disc.
  const double r = kMoonRadius;
  for (int y = -kMoonRadius; y <= kMoonRadius; ++y) {
    int runStart = 0;
    bool inRun = false;
    for (int x = -kMoonRadius; x <= kMoonRadius + 1; ++x) {
      const double dx = x / r;
      const double dy = y / r;
      const bool lit = x <= kMoonRadius && dx * dx + dy * dy <= 1.0 &&
                       MoonPixelLit(dx, dy, mark.phaseAngle, mark.litBearing);
      if (lit && !inRun) {
        runStart = x;
        inRun = true;
      } else if (!lit && inRun) {
        canvas.Line(cx + runStart, cy + y, cx + x, cy + y, kMoonLit);
        inRun = false;
      }
    }
  }
}

}  // namespace

void DrawMoon(Canvas& canvas, const OverlayScene& scene) {
  if (scene.view == nullptr || scene.clock == nullptr) return;
  const MoonMark mark = MoonMarkAt(scene, scene.clock->Now());
  const MapRect& a = scene.area;
  const int cx = mark.centre.x;
  const int cy = mark.centre.y;
  // Away from Greenwich the disc may stand across the map's right or left edge: it is drawn on
  // both sides, each part clipped to the map.
  const bool wraps = MapCenterShift(scene.view->center, kBaseMapWidth) != 0;
  if ((!wraps && cx < a.left + kMoonRadius) || cy < a.top + kMoonRadius) return;
  const int mapLeft = ShownToView(*scene.view, {0, 0}).x + a.left;
  const int mapRight = ShownToView(*scene.view, {kBaseMapWidth, 0}).x + a.left;
  constexpr int kReach = kMoonRadius + 2;
  if (!wraps || (cx - kReach >= mapLeft && cx + kReach <= mapRight)) {
    DrawMoonDisc(canvas, mark, cx, cy);
  } else {
    const int left = std::max(a.left, mapLeft);
    canvas.ClipTo({left, a.top, mapRight - left, a.height});
    DrawMoonDisc(canvas, mark, cx, cy);
    DrawMoonDisc(canvas, mark, cx + (cx - kReach < mapLeft ? 1 : -1) * (mapRight - mapLeft), cy);
    canvas.ClearClip();
  }
  if (!scene.layers.cityNames) return;
  const int px = scene.pointer.x - cx;
  const int py = scene.pointer.y - cy;
  if (px * px + py * py > kMoonHoverRadius * kMoonHoverRadius) return;
  char percent[16];
  std::snprintf(percent, sizeof percent, " %.0f%%", mark.illuminatedFraction * 100.0);
  const std::string label = scene.texts.moon + percent;
  const TextSize extent = canvas.MeasureText(label);
  OverlayText(canvas, scene, cx + kMoonRadius + 4, cy - extent.height / 2, label, kMoonLabel);
}

}  // namespace meridiana
