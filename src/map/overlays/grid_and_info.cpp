// The latitude/longitude grid with its labels, the scale text and the edge above the map.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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

namespace {

struct GridLabel {
  int x = 0;
  int y = 0;
  std::string text;
  bool meridian = false;  // the label of a line of longitude
};

// On a disc: the meridians and parallels every 10 degrees as chains of short lines between
// the points the projection shows, Greenwich and the equator in red; no labels. Round the
// azimuthal antipode two points a step apart can lie far apart on the disc: no line joins them.
void DrawProjectedGrid(Canvas& canvas, const OverlayScene& scene) {
  constexpr int kStep = 2;  // degrees between the points of a line
  const double longest = scene.projection->radius() / 8;
  const auto chain = [&](auto placeAt, int count, Rgb pen) {
    std::optional<MapPoint> last;
    for (int k = 0; k <= count; ++k) {
      const MapPoint p = placeAt(k * kStep);
      if (p == kHiddenPlace) {
        last.reset();
        continue;
      }
      if (last && std::hypot(p.x - last->x, p.y - last->y) <= longest)
        canvas.Line(last->x, last->y, p.x, p.y, pen);
      last = p;
    }
  };
  for (int lon = -180; lon < 180; lon += 10)
    chain([&](int t) { return PlaceWindowPoint(scene, lon, t - 90.0); }, 180 / kStep,
          lon == 0 ? kRedPen : kGridPen);
  for (int lat = -80; lat <= 80; lat += 10)
    chain([&](int t) { return PlaceWindowPoint(scene, t - 180.0, lat); }, 360 / kStep,
          lat == 0 ? kRedPen : kGridPen);
}

// The grid's lines (drawn on `canvas` when given) and the labels they get.
std::vector<GridLabel> WalkGrid(Canvas* canvas, const OverlayScene& scene) {
  std::vector<GridLabel> labels;
  if (scene.projection != nullptr) {
    if (canvas != nullptr) DrawProjectedGrid(*canvas, scene);
    return labels;
  }
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
    const int baseX = ShownColumn(d * kBaseMapWidth / 360, kBaseMapWidth, view.center);
    const int x = static_cast<int>((baseX - sx) * zoom) + area.left;
    const int y0 = std::max(static_cast<int>(-sy * zoom) + area.top, area.top);
    if (x > area.left) {
      const int y1 = std::min(static_cast<int>(y0 + kBaseMapHeight * zoom), scene.pictureBottom);
      if (canvas != nullptr) canvas->Line(x, y0, x, y1, d == 180 ? kRedPen : kGridPen);
      if (counter == 0) labels.push_back({x + 2, labelY, DegreeLabel(d - 180), true});
    }
    nextLine();
  }
  for (int e = 0; e <= 180; e += 10) {
    const int baseY = e * kBaseMapHeight / 180;
    const int y = std::max(static_cast<int>((baseY - sy) * zoom) + area.top, area.top);
    const int x0 = std::max(static_cast<int>(-sx * zoom) + area.left, area.left);
    if (y >= area.top && y <= areaBottom) {
      const int x1 = std::min(static_cast<int>(x0 + kBaseMapWidth * zoom), scene.pictureRight);
      if (canvas != nullptr) canvas->Line(x0, y, x1, y, e == 90 ? kRedPen : kGridPen);
      if (counter == 0) labels.push_back({x0 + 2, y + 2, DegreeLabel(90 - e)});
    }
    nextLine();
  }
  return labels;
}

// The scale in the interface language's word, the number as before; on a disc, at its middle.
std::string ScaleText(const OverlayScene& scene) {
  char km[48];
  const double pixelsAround = scene.projection != nullptr
                                  ? 360.0 * scene.projection->PixelsPerDegree()
                                  : kBaseMapWidth * static_cast<double>(scene.view->zoom);
  std::snprintf(km, sizeof km, " %0.2f km", kEarthCircumferenceKm / pixelsAround);
  std::string text = scene.texts.scale;
  text += km;
  return text;
}

MapRect TextRect(Canvas& canvas, int x, int y, std::string_view text) {
  const TextSize size = canvas.MeasureText(text);
  return {x, y, size.width, size.height};
}

// 100 pixels left of the map's right edge; a longer scale word ("Maßstab:", Arabic) moves
// the text left so that it ends inside the map with its halo.
MapPoint ScalePoint(Canvas& canvas, const OverlayScene& scene) {
  const int right = scene.area.left + scene.area.width;
  MapPoint at{right - 100, scene.area.top + scene.area.height - 20};
  if (!scene.fixedLabels) {
    const int width = canvas.MeasureText(ScaleText(scene)).width;
    at.x = std::max(scene.area.left + 2, std::min(at.x, right - 2 - width));
  }
  return at;
}

// Away from Greenwich a labelled meridian can stand just left of the map's right edge; its label
// is left out rather than run off the map.
bool RunsOffTheMap(const OverlayScene& scene, const GridLabel& label, const MapRect& r) {
  if (!label.meridian || MapCenterShift(scene.view->center, kBaseMapWidth) == 0) return false;
  return r.left + r.width > ShownToView(*scene.view, {kBaseMapWidth, 0}).x + scene.area.left;
}

// The grid labels a marked-city label must keep off: those the grid draws.
std::vector<MapRect> GridLabelRects(Canvas& canvas, const OverlayScene& scene,
                                    const std::vector<MapRect>& info) {
  std::vector<MapRect> rects;
  for (const GridLabel& label : WalkGrid(nullptr, scene)) {
    const MapRect r = TextRect(canvas, label.x, label.y, label.text);
    if (RunsOffTheMap(scene, label, r)) continue;
    if (std::none_of(info.begin(), info.end(), [&](const MapRect& i) { return Intersects(r, i); }))
      rects.push_back(r);
  }
  return rects;
}

}  // namespace

void DrawGrid(Canvas& canvas, const OverlayScene& scene) {
  const std::vector<GridLabel> labels = WalkGrid(&canvas, scene);
  // A label that would run into the scale or the cloud date gives way to it.
  const std::vector<MapRect> info = scene.fixedLabels || !scene.layers.info
                                        ? std::vector<MapRect>{}
                                        : InfoTextRects(canvas, scene);
  for (const GridLabel& label : labels) {
    const MapRect r = TextRect(canvas, label.x, label.y, label.text);
    if (std::any_of(info.begin(), info.end(), [&](const MapRect& i) { return Intersects(r, i); }))
      continue;
    if (RunsOffTheMap(scene, label, r)) continue;
    OverlayText(canvas, scene, label.x, label.y, label.text, kGridText);
  }
}

namespace {

// The scale and the cloud date with its source: what the aurora's line stands left of.
std::vector<MapRect> ScaleAndCloudRects(Canvas& canvas, const OverlayScene& scene) {
  const MapPoint scale = ScalePoint(canvas, scene);
  std::vector<MapRect> rects{TextRect(canvas, scale.x, scale.y, ScaleText(scene))};
  if (scene.layers.clouds) {
    for (const MapRect& r : CloudDateRects(canvas, scene)) rects.push_back(r);
  }
  return rects;
}

}  // namespace

std::optional<MapRect> AuroraLineRect(Canvas& canvas, const OverlayScene& scene) {
  if (!scene.layers.aurora || scene.auroraLine.empty()) return std::nullopt;
  int left = scene.area.left + scene.area.width;
  for (const MapRect& r : ScaleAndCloudRects(canvas, scene)) left = std::min(left, r.left);
  const TextSize size = canvas.MeasureText(scene.auroraLine);
  // On the scale's line, before what stands there; kept inside the area on a narrow map.
  const int x = std::max(scene.area.left + 2, left - size.width - 8);
  return MapRect{x, scene.area.top + scene.area.height - 20, size.width, size.height};
}

void DrawAuroraLine(Canvas& canvas, const OverlayScene& scene) {
  if (const std::optional<MapRect> r = AuroraLineRect(canvas, scene))
    OverlayText(canvas, scene, r->left, r->top, scene.auroraLine, kInfoText);
}

std::vector<MapRect> InfoTextRects(Canvas& canvas, const OverlayScene& scene) {
  std::vector<MapRect> rects = ScaleAndCloudRects(canvas, scene);
  if (const std::optional<MapRect> aurora = AuroraLineRect(canvas, scene)) rects.push_back(*aurora);
  return rects;
}

std::vector<MapRect> LabelObstacles(Canvas& canvas, const OverlayScene& scene) {
  std::vector<MapRect> taken;
  if (scene.layers.info) taken = InfoTextRects(canvas, scene);
  if (scene.layers.grid) {
    const std::vector<MapRect> grid = GridLabelRects(canvas, scene, taken);
    taken.insert(taken.end(), grid.begin(), grid.end());
  }
  return taken;
}

void DrawInfo(Canvas& canvas, const OverlayScene& scene) {
  const MapPoint at = ScalePoint(canvas, scene);
  OverlayText(canvas, scene, at.x, at.y, ScaleText(scene), kInfoText);
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
    // On the ground, under every mark.
    if (scene.layers.aurora) DrawAurora(canvas, scene);
    if (scene.layers.allCities) DrawAllCities(canvas, projected);
    if (scene.layers.cityNames) DrawCityNameMarkers(canvas, projected, hover);
    if (scene.layers.grid) DrawGrid(canvas, scene);
    if (scene.layers.earthquakes) DrawEarthquakes(canvas, scene);
    if (scene.layers.moon) DrawMoon(canvas, scene);
  }
  // A full paint shows the marks as they are now: the kept index takes them afresh.
  if (!clockOnly && scene.markedIndex != nullptr) scene.markedIndex->Of(*scene.world, true);
  if (scene.layers.marked && scene.clock != nullptr && scene.locale != nullptr)
    DrawMarkedCities(canvas, scene);
  if (scene.layers.info) {
    DrawInfo(canvas, scene);
    if (scene.layers.clouds) DrawCloudDate(canvas, scene);
    DrawAuroraLine(canvas, scene);
  }
  if (scene.layers.cityNames) DrawCityNameHighlight(canvas, scene, hover);
  DrawTopEdge(canvas, scene);
}

}  // namespace meridiana
