// All Cities, the City Names markers and highlight, and the marked cities with their times.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "map/overlays/overlays.h"
#include "world/local_time.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kCityOutline{200, 90, 0};
constexpr Rgb kNearOutline{200, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kHighlightBack{250, 0, 0};

MapRect FromEdges(int left, int top, int right, int bottom) {
  return {left, top, right - left, bottom - top};
}

// Whether a marker around p (at most 3 pixels each way) can reach the clip.
bool InClip(const OverlayScene& scene, MapPoint p) {
  const MapRect& c = scene.clip;
  if (c.width <= 0 || c.height <= 0) return true;
  return p.x + 3 >= c.left && p.x - 3 < c.left + c.width && p.y + 3 >= c.top &&
         p.y - 3 < c.top + c.height;
}

}  // namespace

MapPoint PlaceWindowPoint(const OverlayScene& scene, double longitude, double latitude) {
  if (scene.projection == nullptr)
    return BaseToWindow(*scene.view, BaseMapPixel(longitude, latitude), scene.area);
  const std::optional<DiscPoint> at = scene.projection->Forward(latitude, longitude);
  if (!at) return kHiddenPlace;
  return {scene.area.left + static_cast<int>(std::floor(at->x)),
          scene.area.top + static_cast<int>(std::floor(at->y))};
}

MapPoint CityWindowPoint(const OverlayScene& scene, const City& city) {
  return PlaceWindowPoint(scene, city.longitude, city.latitude);
}

MapPoint CityWindowPoint(const OverlayScene& scene, std::size_t index) {
  if (scene.cityPoints != nullptr && index < scene.cityPoints->size())
    return (*scene.cityPoints)[index];
  return CityWindowPoint(scene, scene.world->cities[index]);
}

void DrawAllCities(Canvas& canvas, const OverlayScene& scene) {
  // All at once, in list order: thousands of markers, which a canvas can draw in a few calls.
  std::vector<MapPoint> markers;
  markers.reserve(scene.world->cities.size());
  for (std::size_t i = 0; i < scene.world->cities.size(); ++i) {
    const MapPoint p = CityWindowPoint(scene, i);
    if (p.x >= scene.area.left + 2 && p.y >= scene.area.top + 2 && InClip(scene, p))
      markers.push_back(p);
  }
  canvas.Markers(markers, kCityOutline, kYellow);
}

void DrawCityNameMarkers(Canvas& canvas, const OverlayScene& scene, HoverState& hover) {
  const float zoom = scene.view->zoom;
  const int px = scene.pointer.x;
  const int py = scene.pointer.y;
  const int r = static_cast<int>(40 * zoom);
  hover.labelRect = FromEdges(px - r - 10, py - r - 10, px + r + 90, py + r + 10);
  int nearest = -1;
  MapPoint nearestPoint;
  int best = 999;
  const std::vector<City>& cities = scene.world->cities;
  std::vector<MapPoint> markers;
  for (std::size_t i = 0; i < cities.size(); ++i) {
    const MapPoint p = CityWindowPoint(scene, i);
    const double dx = px - p.x;
    const double dy = py - p.y;
    const int d = static_cast<int>(std::sqrt(dx * dx + dy * dy));
    if (d < 10 * zoom && d < best) {
      best = d;
      nearest = static_cast<int>(i);
      nearestPoint = p;
    }
    if (p.y > scene.area.top + 1 && p.x > scene.area.left + 1 && d < 40 * zoom &&
        !scene.layers.allCities && InClip(scene, p))
      markers.push_back(p);
  }
  canvas.Markers(markers, kNearOutline, kYellow);
  hover.city = -1;
  if (nearest >= 0) {
    const int x = nearestPoint.x - 3;
    const int y = nearestPoint.y - 3;
    if (scene.layers.allCities) hover.labelRect = FromEdges(x + 12, y + 9, x + 120, y + 30);
    hover.markerRect = FromEdges(x - 1, y - 1, x + 7, y + 7);
    hover.city = nearest;
  } else if (scene.layers.allCities) {
    hover.labelRect = {};
  }
}

const std::vector<MarkedCityIndex::Entry>& MarkedCityIndex::Of(const WorldData& world,
                                                               bool rebuild) {
  const Tables tables{&world,
                      world.cities.data(),
                      world.cities.size(),
                      world.zones.data(),
                      world.zones.size(),
                      world.rules.data(),
                      world.rules.size()};
  if (rebuild || tables_ != tables) {
    entries_.clear();
    for (std::size_t i = 0; i < world.cities.size(); ++i)
      if (world.cities[i].marked) entries_.push_back({i, CityZoneOf(world, world.cities[i])});
    tables_ = tables;
  }
  return entries_;
}

namespace {

// The marked cities of a paint: from the scene's index when it has one.
const std::vector<MarkedCityIndex::Entry>& MarkedOf(const OverlayScene& scene,
                                                    std::vector<MarkedCityIndex::Entry>& found) {
  if (scene.markedIndex != nullptr) return scene.markedIndex->Of(*scene.world, false);
  found.clear();
  for (std::size_t i = 0; i < scene.world->cities.size(); ++i) {
    const City& city = scene.world->cities[i];
    if (city.marked) found.push_back({i, CityZoneOf(*scene.world, city)});
  }
  return found;
}

// "HH:MM Name" at the scene's instant, whatever the locale's date separator; empty for none.
std::string LabelOf(const OverlayScene& scene, const City& city, const CityZone& zone,
                    MapPoint base) {
  const TimeValue now = scene.clock->Now();
  std::string text = ClockText(
      CityClockAt(*scene.world, zone, scene.zoneImage, base.x, base.y, now, *scene.clock)
          .WallClock(now));
  if (text.empty()) return {};
  text += " ";
  text += CityNameOf(*scene.world, city);
  return text;
}

}  // namespace

std::string MarkedCityLabel(const OverlayScene& scene, const City& city, MapPoint base) {
  return LabelOf(scene, city, CityZoneOf(*scene.world, city), base);
}

std::vector<std::string> MarkedCityLabels(const OverlayScene& scene) {
  std::vector<std::string> labels;
  if (!scene.layers.marked || scene.world == nullptr || scene.view == nullptr ||
      scene.clock == nullptr || scene.locale == nullptr)
    return labels;
  std::vector<MarkedCityIndex::Entry> found;
  for (const MarkedCityIndex::Entry& entry : MarkedOf(scene, found)) {
    const City& city = scene.world->cities[entry.city];
    labels.push_back(LabelOf(scene, city, entry.zone, BaseMapPixel(city.longitude, city.latitude)));
  }
  return labels;
}

void DrawMarkedCities(Canvas& canvas, const OverlayScene& scene) {
  const MapRect visible = VisibleMap(scene);
  std::vector<MarkedCityIndex::Entry> found;
  const std::vector<MarkedCityIndex::Entry>& marked = MarkedOf(scene, found);
  std::vector<MapRect> taken;
  if (!scene.fixedLabels) {
    taken = LabelObstacles(canvas, scene);
    // No label covers another marked city's square.
    for (const MarkedCityIndex::Entry& entry : marked) {
      const MapPoint p = CityWindowPoint(scene, scene.world->cities[entry.city]);
      taken.push_back({p.x - 2, p.y - 2, 6, 6});
    }
  }
  for (const MarkedCityIndex::Entry& entry : marked) {
    const City& city = scene.world->cities[entry.city];
    const MapPoint base = BaseMapPixel(city.longitude, city.latitude);
    const MapPoint p = CityWindowPoint(scene, city);
    const int x = p.x - 2;
    const int y = p.y - 2;
    if (y <= scene.area.top) continue;
    if (x > scene.area.left) {
      canvas.FillRect(x, y, x + 6, y + 6, kGreen);
      OutlineSquare(canvas, x, y, x + 5, y + 5, kBlack);
    }
    if (x <= scene.area.left - 10) continue;
    const std::string text = LabelOf(scene, city, entry.zone, base);
    if (text.empty()) continue;
    const std::string_view label = text;
    if (scene.fixedLabels) {
      canvas.Text(x + 10, y + 10, label, kGreen, kBlack);
      continue;
    }
    // The square's own rectangle is taken too; it never stops its own label.
    const MapRect own{x, y, 6, 6};
    std::erase(taken, own);
    const std::optional<MapRect> place =
        PlaceLabel(LabelCandidates(x, y, canvas.MeasureText(label)), visible, taken);
    taken.push_back(own);
    if (!place) continue;  // nowhere to put it without covering something: the square alone
    canvas.Text(place->left, place->top, label, kGreen, kBlack);
    taken.push_back(*place);
  }
}

void DrawCityNameHighlight(Canvas& canvas, const OverlayScene& scene, HoverState& hover) {
  const std::vector<City>& cities = scene.world->cities;
  if (hover.city < 0 || hover.city >= static_cast<int>(cities.size())) return;
  const City& city = cities[static_cast<std::size_t>(hover.city)];
  const std::string& name = CityNameOf(*scene.world, city);
  const MapPoint p = CityWindowPoint(scene, city);
  const int x = p.x - 3;
  const int y = p.y - 3;
  if (y > scene.area.top + 2 && x > scene.area.left + 1) {
    canvas.FillRect(x, y, x + 7, y + 7, kWhite);
    OutlineSquare(canvas, x, y, x + 6, y + 6, kBlue);
    canvas.Text(x + 12, y + 12, name, kWhite, kHighlightBack);
  }
  const std::string* country = CountryNameOfCity(*scene.world, city);
  hover.statusText = country != nullptr ? *country : name;
  if (scene.layers.allCities) hover.labelRect = FromEdges(x + 12, y + 9, x + 120, y + 30);
  hover.markerRect = FromEdges(x - 1, y - 1, x + 7, y + 7);
  // A long name reaches past the label rectangle; the next move must erase all of it.
  const TextSize size = canvas.MeasureText(name);
  MapRect& label = hover.labelRect;
  const int right = std::max(label.left + label.width, x + 12 + size.width + 1);
  const int bottom = std::max(label.top + label.height, y + 12 + size.height + 1);
  const int left = std::min(label.left, x + 12);
  const int top = std::min(label.top, y + 12);
  label = FromEdges(left, top, right, bottom);
}

}  // namespace meridiana
