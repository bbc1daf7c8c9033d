#include "map/map_view.h"

#include <algorithm>
#include <cmath>

#include "world/local_time.h"

namespace meridiana {

namespace {

int Trunc(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

void StepZoom(MapView& view, double step) {
  if (view.zoom == 0) view.zoom = 1.0f;
  double z = view.zoom + step;
  if (!(z >= kMinZoom)) z = kMinZoom;
  view.zoom = static_cast<float>(z);
}

// One axis of the scroll-drag clamp: the map may not be dragged past its top/left edge, nor so
// far that its bottom/right edge comes inside the area.
int ClampDrag(int scroll, int drag, int extent, int areaSize, float zoom) {
  if (scroll + drag < 0) return -scroll;
  if (static_cast<float>(areaSize) > static_cast<float>(extent - scroll - drag) * zoom &&
      zoom > 0) {
    drag =
        Trunc((static_cast<float>(extent - scroll) * zoom - static_cast<float>(areaSize)) / zoom);
    if (scroll + drag < 0) drag = -scroll;
  }
  return drag;
}

}  // namespace

void ZoomIn(MapView& view) { StepZoom(view, 0.1); }

void ZoomOut(MapView& view) { StepZoom(view, -0.1); }

void ActualPixels(MapView& view) {
  view.zoom = 1.0f;
  view.zoomDragBase = 1.0f;
  view.scrollX = view.scrollY = 0;
  view.dragX = view.dragY = 0;
  view.userZoom = true;
}

void FitToWidth(MapView& view, int areaWidth) {
  view.scrollX = view.scrollY = 0;
  view.dragX = view.dragY = 0;
  view.zoom = static_cast<float>(areaWidth) / static_cast<float>(kBaseMapWidth);
  view.zoomDragBase = view.zoom;
  view.userZoom = false;
}

bool RunZoomCommand(MapView& view, int commandId, int areaWidth) {
  switch (commandId) {
    case kCmdZoomIn:
      ZoomIn(view);
      return true;
    case kCmdZoomOut:
      ZoomOut(view);
      return true;
    case kCmdActualPixels:
      ActualPixels(view);
      return true;
    case kCmdFitToScreen:
      FitToWidth(view, areaWidth);
      return true;
    default:
      return false;
  }
}

void LimitZoom(MapView& view, int areaWidth) {
  const int scrolled = view.dragX + view.scrollX;
  const int rightEdge = Trunc(static_cast<float>(Trunc(kBaseMapWidth * view.zoom)) -
                              view.zoom * static_cast<float>(scrolled));
  // With the map scrolled wholly out of the area there is no zoom that fills it; leave it.
  if (rightEdge < areaWidth && kBaseMapWidth - scrolled > 0) {
    view.zoom = static_cast<float>(areaWidth) / static_cast<float>(kBaseMapWidth - scrolled);
  }
  if (!(view.zoom >= kMinZoom)) view.zoom = kMinZoom;
}

void WheelZoom(MapView& view, int wheelDelta, int areaWidth) {
  const double notches = -static_cast<double>(wheelDelta) / 120.0;
  const double step = view.zoom >= 1 ? 0.2 : 0.1;
  view.zoom = static_cast<float>(view.zoom + notches * step);
  if (view.zoom < 0.3f) view.zoom = 0.3f;
  LimitZoom(view, areaWidth);
  view.userZoom = true;
}

namespace {

// The scroll along one axis that puts base-map coordinate `base` at `offset` area pixels, kept
// between the map's start and the last scroll at which the map still fills the area.
int AnchoredScroll(double base, int offset, float zoom, int extent, int areaSize) {
  const double wanted = base - offset / static_cast<double>(zoom);
  const int last = std::max(0, Trunc(extent - areaSize / static_cast<double>(zoom)));
  return std::clamp(Trunc(std::lround(wanted)), 0, last);
}

}  // namespace

void ZoomAround(MapView& view, float zoom, MapPoint anchor, int areaWidth, int areaHeight) {
  const float before = view.zoom > 0 ? view.zoom : 1.0f;
  const double baseX = anchor.x / static_cast<double>(before) + view.EffectiveScrollX();
  const double baseY = anchor.y / static_cast<double>(before) + view.EffectiveScrollY();
  view.zoom = zoom;
  view.scrollX = AnchoredScroll(baseX, anchor.x, zoom, kBaseMapWidth, areaWidth) - view.dragX;
  view.scrollY = AnchoredScroll(baseY, anchor.y, zoom, kBaseMapHeight, areaHeight) - view.dragY;
}

void WheelZoomAt(MapView& view, int wheelDelta, MapPoint pointer, int areaWidth, int areaHeight) {
  MapView stepped = view;
  WheelZoom(stepped, wheelDelta, areaWidth);
  ZoomAround(view, stepped.zoom, pointer, areaWidth, areaHeight);
  view.userZoom = true;
}

bool RunZoomCommandAtCentre(MapView& view, int commandId, int areaWidth, int areaHeight) {
  if (commandId != kCmdZoomIn && commandId != kCmdZoomOut)
    return RunZoomCommand(view, commandId, areaWidth);
  MapView stepped = view;
  RunZoomCommand(stepped, commandId, areaWidth);
  ZoomAround(view, stepped.zoom, {areaWidth / 2, areaHeight / 2}, areaWidth, areaHeight);
  return true;
}

void ScrollDragPress(MapView& view, MapPoint screen) {
  view.dragX = view.dragY = 0;
  view.pressPoint = screen;
  view.dragging = true;
}

bool ScrollDragMove(MapView& view, MapPoint screen, int areaWidth, int areaHeight) {
  if (!view.dragging) return false;
  const int oldX = view.dragX;
  const int oldY = view.dragY;
  // Screen pixels are taken as base-map pixels at every zoom.
  view.dragX = view.pressPoint.x - screen.x;
  view.dragY = view.pressPoint.y - screen.y;
  view.dragY = ClampDrag(view.scrollY, view.dragY, kBaseMapHeight, areaHeight, view.zoom);
  view.dragX = ClampDrag(view.scrollX, view.dragX, kBaseMapWidth, areaWidth, view.zoom);
  return view.dragX != oldX || view.dragY != oldY;
}

void ScrollDragRelease(MapView& view) {
  view.scrollX += view.dragX;
  view.scrollY += view.dragY;
  view.dragX = view.dragY = 0;
  view.dragging = false;
}

void ZoomDragPress(MapView& view, MapPoint screen) {
  view.pressPoint = screen;
  view.zoomDragging = true;
  view.zoomChanges = 0;
}

bool ZoomDragMove(MapView& view, MapPoint screen, int areaWidth) {
  if (!view.zoomDragging) return false;
  const float before = view.zoom;
  // 200 pixels to the right add 1.0.
  const float zoom = view.zoomDragBase - static_cast<float>(view.pressPoint.x - screen.x) / 200.0f;
  if (zoom != view.zoom) ++view.zoomChanges;
  view.zoom = zoom;
  LimitZoom(view, areaWidth);
  view.userZoom = true;
  return view.zoom != before;
}

bool ZoomDragRelease(MapView& view, MapPoint screen, MapPoint client) {
  view.lastRightClick = client;
  if (!view.zoomDragging) return false;
  view.zoomDragBase = view.zoom;
  view.zoomDragging = false;
  const double dx = static_cast<double>(screen.x) - view.pressPoint.x;
  const double dy = static_cast<double>(screen.y) - view.pressPoint.y;
  const int distance = Trunc(std::sqrt(dx * dx + dy * dy));
  return view.zoomChanges < 2 && distance < 8;
}

int PickMenuCities(MapView& view, std::vector<City>& cities, MapPoint client) {
  for (City& city : cities) city.picked = false;
  view.menuCities.fill(-1);
  int taken = 0;
  for (; taken < static_cast<int>(view.menuCities.size()); ++taken) {
    const NearestCity n =
        FindNearestCity(view, cities, client, kMenuAreaTop, [](const City& c) { return c.picked; });
    if (n.index < 0) break;
    cities[static_cast<std::size_t>(n.index)].picked = true;
    view.menuCities[static_cast<std::size_t>(taken)] = n.index;
  }
  return taken;
}

PointerReadOut ReadPointer(MapView& view, const WorldData& world, const Dib* tzImage,
                           const Dib* composed, MapPoint pointer, bool cityNamesOn,
                           int highlightedCity, const Clock& clock, NearestCityMemo* memo) {
  PointerReadOut r;
  r.base = ViewToBase(view, pointer);
  r.position = BaseToLatLon(r.base, DibWidth(composed), DibHeight(composed));
  const int count = static_cast<int>(world.cities.size());
  if (cityNamesOn) {
    r.hoverCity = highlightedCity >= 0 && highlightedCity < count ? highlightedCity : -1;
  } else {
    const NearestCityMemo::Search search{pointer,
                                         view.zoom,
                                         view.EffectiveScrollX(),
                                         view.EffectiveScrollY(),
                                         world.cities.data(),
                                         world.cities.size(),
                                         MapCenterShift(view.center, kBaseMapWidth)};
    if (memo != nullptr && memo->search == search) {
      r.hoverCity = memo->index;
    } else {
      r.hoverCity = FindNearestCity(view, world.cities, pointer).index;
      if (memo != nullptr) *memo = {search, r.hoverCity};
    }
  }
  const City* city =
      r.hoverCity >= 0 ? &world.cities[static_cast<std::size_t>(r.hoverCity)] : nullptr;
  if (city) {
    const MapPoint p = BaseToView(view, BaseMapPixel(city->longitude, city->latitude));
    const double dx = static_cast<double>(p.x) - pointer.x;
    const double dy = static_cast<double>(p.y) - pointer.y;
    r.underPointer = IsUnderPointer(Trunc(std::sqrt(dx * dx + dy * dy)), view.zoom);
  }
  view.hoverCity = r.hoverCity;
  const City* saving = city && (cityNamesOn || r.underPointer) ? city : nullptr;
  r.localTime = LocalTimeOf(world, tzImage, r.base.x, r.base.y, saving, clock);
  return r;
}

}  // namespace meridiana
