#pragma once
// The view state of the main window's map: zoom, scroll, the drags in progress, and the commands
// and mouse gestures that change them. Plain state; the shell owns one MapView and calls these
// operations from its message handling, then redraws when told so.

#include <array>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/map_geometry.h"
#include "world/world_data.h"

namespace meridiana {

inline constexpr float kMinZoom = 0.2f;

// Menu command ids of the zoom commands.
inline constexpr int kCmdActualPixels = 40011;
inline constexpr int kCmdZoomIn = 40012;
inline constexpr int kCmdZoomOut = 40013;
inline constexpr int kCmdFitToScreen = 40028;

struct MapView {
  float zoom = 1.0f;  // window pixels per base-map pixel
  double center = 0;  // the longitude at the middle of the map, degrees east
  int scrollX = 0;    // committed scroll: the base-map pixel at the map area's top-left corner
  int scrollY = 0;
  int dragX = 0;  // offset of a left-button drag in progress, base-map pixels
  int dragY = 0;
  bool userZoom = false;  // while clear, every resize refits the map
  float zoomDragBase = 1.0f;
  bool dragging = false;
  bool zoomDragging = false;
  int zoomChanges = 0;
  MapPoint pressPoint;      // screen coordinates
  MapPoint lastRightClick;  // main window client coordinates
  int hoverCity = -1;       // index into the city list, -1 for none
  std::array<int, 10> menuCities{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

  int EffectiveScrollX() const { return scrollX + dragX; }
  int EffectiveScrollY() const { return scrollY + dragY; }
};

// Zoom In / Zoom Out: a zoom of exactly 0 first becomes 1; then +-0.1, never below 0.2.
void ZoomIn(MapView& view);
void ZoomOut(MapView& view);
// Actual Pixels: zoom 1, no scroll, and the user has chosen the zoom.
void ActualPixels(MapView& view);
// Fit: no scroll, the map fills the area's width, and resizes refit it again. Fit to Screen is
// the same.
void FitToWidth(MapView& view, int areaWidth);
// Runs one of the four zoom commands above by its menu id; false for any other id.
bool RunZoomCommand(MapView& view, int commandId, int areaWidth);

// Keeps the map's right edge from coming left of the area's right side and the zoom at 0.2 or
// above. Runs after every wheel or right-drag zoom change.
void LimitZoom(MapView& view, int areaWidth);

// The wheel: delta in the platform's units (120 per notch, positive away from the user, which
// zooms out).
void WheelZoom(MapView& view, int wheelDelta, int areaWidth);

// The same zoom steps as the wheel and the menu, keeping a point of the map where it is, as map
// programs do: the wheel keeps the base-map point under the pointer (map control coordinates)
// under it, Zoom In and Zoom Out keep the area's centre. The scroll moves as far as the map's
// edges allow: never above or left of the map, never so far that the map leaves a gap at the
// right or bottom it would otherwise fill.
void WheelZoomAt(MapView& view, int wheelDelta, MapPoint pointer, int areaWidth, int areaHeight);
// Runs the four zoom commands like RunZoomCommand, Zoom In and Zoom Out about the centre.
bool RunZoomCommandAtCentre(MapView& view, int commandId, int areaWidth, int areaHeight);
// Sets the zoom and moves the scroll so that the base-map point under `anchor` stays there.
void ZoomAround(MapView& view, float zoom, MapPoint anchor, int areaWidth, int areaHeight);

// Left-button scroll drag. Press and move take the pointer in screen coordinates. ScrollDragMove
// answers whether a drag offset changed (the map needs a redraw).
void ScrollDragPress(MapView& view, MapPoint screen);
bool ScrollDragMove(MapView& view, MapPoint screen, int areaWidth, int areaHeight);
void ScrollDragRelease(MapView& view);

// Right-button zoom drag. ZoomDragMove answers whether the zoom changed. ZoomDragRelease records
// the release point (client coordinates) and answers whether it was a click that opens the
// context menu rather than a zoom.
void ZoomDragPress(MapView& view, MapPoint screen);
bool ZoomDragMove(MapView& view, MapPoint screen, int areaWidth);
bool ZoomDragRelease(MapView& view, MapPoint screen, MapPoint client);

// The context menu's cities: clears every city's picked flag, then up to 10 times takes the
// nearest city not yet picked to the pointer (main window client coordinates; the map area's
// top lies kMenuAreaTop below the client origin), marks it picked and stores its index in
// view.menuCities, nearest first; unused slots become -1. Answers how many were taken.
inline constexpr int kMenuAreaTop = 22;
int PickMenuCities(MapView& view, std::vector<City>& cities, MapPoint client);

// What the status bar shows for the pointer.
struct PointerReadOut {
  MapPoint base;              // base-map pixel under the pointer
  LatLon position;            // clamped latitude and longitude
  int hoverCity = -1;         // index into the city list, -1 for none
  bool underPointer = false;  // the hover city lies within 10 x zoom pixels
  TimeValue localTime = 0;    // the wall clock there, as a local time value
};

// The last nearest-city search of ReadPointer: the once-a-second read-out of a pointer that has
// not moved, over a view and a city list that have not changed, finds the same city without
// searching the list again.
struct NearestCityMemo {
  struct Search {
    MapPoint pointer{-1, -1};
    float zoom = 0;
    int scrollX = 0;
    int scrollY = 0;
    const void* cities = nullptr;
    std::size_t count = 0;
    int centerShift = 0;  // a new map centre moves every city
    friend bool operator==(const Search&, const Search&) = default;
  };
  Search search;
  int index = -1;
};

// The read-out for a pointer in map control coordinates. With City Names on the hover city is
// the one the last paint highlighted (highlightedCity, -1 for none); otherwise the nearest city
// at any distance. The local time adds the hover city's saving when City Names is on or the
// city is under the pointer. Stores the hover city in view.hoverCity. composed gives the size
// the position is measured against (the base-map size when null). memo, when given, keeps the
// last search.
PointerReadOut ReadPointer(MapView& view, const WorldData& world, const Dib* tzImage,
                           const Dib* composed, MapPoint pointer, bool cityNamesOn,
                           int highlightedCity, const Clock& clock,
                           NearestCityMemo* memo = nullptr);

}  // namespace meridiana
