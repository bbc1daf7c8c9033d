// The latitude/longitude grid with its labels, the scale text and the edge above the map.
#include <algorithm>
#include <cstdio>

#include "map/overlays/overlays.h"

namespace meridiana {
namespace {

constexpr Rgb kGridPen{0, 140, 0};
constexpr Rgb kRedPen{200, 0, 0};
constexpr Rgb kGridText{0, 200, 0};
constexpr Rgb kInfoText{0, 0, 250};
constexpr double kEarthCircumferenceKm = 40075.16;

std::string DegreeLabel(int degrees) {
  char text[16];
  std::snprintf(text, sizeof text, "%i.0", degrees);
  return text;
}

}  // namespace

void DrawGrid(Canvas& canvas, const OverlayScene& scene) {
  const MapView& view = *scene.view;
  const MapRect& area = scene.area;
  const int areaBottom = area.top + area.height;
  const float zoom = view.zoom;
  const int sx = view.EffectiveScrollX();
  const int sy = view.EffectiveScrollY();
  int counter = 0;
  const auto nextLine = [&] { counter = zoom > 2 ? 0 : 1 - counter; };

  int labelY = std::min(scene.pictureBottom, areaBottom) - 20;
  if (scene.pictureBottom - 20 < areaBottom - 30) labelY = scene.pictureBottom;
  for (int d = 0; d <= 350; d += 10) {
    const int baseX = d * kBaseMapWidth / 360;
    const int x = static_cast<int>((baseX - sx) * zoom) + area.left;
    const int y0 = std::max(static_cast<int>(-sy * zoom) + area.top, area.top);
    if (x > area.left) {
      const int y1 = std::min(static_cast<int>(y0 + kBaseMapHeight * zoom), scene.pictureBottom);
      canvas.Line(x, y0, x, y1, d == 180 ? kRedPen : kGridPen);
      if (counter == 0) canvas.Text(x + 2, labelY, DegreeLabel(d - 180), kGridText, std::nullopt);
    }
    nextLine();
  }
  for (int e = 0; e <= 180; e += 10) {
    const int baseY = e * kBaseMapHeight / 180;
    const int y = std::max(static_cast<int>((baseY - sy) * zoom) + area.top, area.top);
    const int x0 = std::max(static_cast<int>(-sx * zoom) + area.left, area.left);
    if (y >= area.top && y <= areaBottom) {
      const int x1 = std::min(static_cast<int>(x0 + kBaseMapWidth * zoom), scene.pictureRight);
      canvas.Line(x0, y, x1, y, e == 90 ? kRedPen : kGridPen);
      if (counter == 0) canvas.Text(x0 + 2, y + 2, DegreeLabel(90 - e), kGridText, std::nullopt);
    }
    nextLine();
  }
}

void DrawInfo(Canvas& canvas, const OverlayScene& scene) {
  char km[48];
  std::snprintf(km, sizeof km, " %0.2f km",
                kEarthCircumferenceKm / (kBaseMapWidth * static_cast<double>(scene.view->zoom)));
  std::string text = scene.texts.scale;
  text += km;
  canvas.Text(scene.area.left + scene.area.width - 100, scene.area.top + scene.area.height - 20,
              text, kInfoText, std::nullopt);
}

void DrawTopEdge(Canvas& canvas, const OverlayScene& scene) {
  const MapRect& a = scene.area;
  const int right = a.left + a.width;
  canvas.Line(a.left - 2, a.top - 2, right + 2, a.top - 2, Rgb{240, 240, 240});
  canvas.Line(a.left - 1, a.top - 1, right + 1, a.top - 1, Rgb{140, 140, 140});
}

void PaintOverlays(Canvas& canvas, const OverlayScene& scene, bool clockOnly, HoverState& hover) {
  if (scene.view == nullptr || scene.world == nullptr) return;
  if (!clockOnly) {
    OverlayScene projected = scene;
    std::vector<MapPoint> points;
    if (scene.cityPoints == nullptr && scene.layers.allCities && scene.layers.cityNames) {
      points.reserve(scene.world->cities.size());
      for (const City& city : scene.world->cities) points.push_back(CityWindowPoint(scene, city));
      projected.cityPoints = &points;
    }
    if (scene.layers.allCities) DrawAllCities(canvas, projected);
    if (scene.layers.cityNames) DrawCityNameMarkers(canvas, projected, hover);
    if (scene.layers.grid) DrawGrid(canvas, scene);
    if (scene.layers.earthquakes) DrawEarthquakes(canvas, scene);
  }
  if (scene.layers.marked && scene.clock != nullptr && scene.locale != nullptr)
    DrawMarkedCities(canvas, scene);
  if (scene.layers.info) {
    DrawInfo(canvas, scene);
    if (scene.layers.clouds) DrawCloudDate(canvas, scene);
  }
  if (scene.layers.cityNames) DrawCityNameHighlight(canvas, scene, hover);
  DrawTopEdge(canvas, scene);
}

}  // namespace meridiana
