#pragma once
// The base map's frame and the projections between longitude/latitude, base-map pixels and
// window pixels. The base map is an equirectangular picture of the whole Earth, 1024 x 512,
// longitude -180 at the left edge and latitude +90 at the top. Overlays and hit tests always
// project with these constants, never with the size of the loaded images.
//
// A map centred on another meridian (MapView::center) shows the base map with its columns
// turned: the view's column x holds the base map's column x + MapCenterShift, modulo the width.
// Base-map pixels, and with them every picture, time-zone look-up and latitude/longitude, stay in
// the base map's own frame; only the step between base-map and view pixels turns the columns, so
// the map, its layers, the pointer read-out and the nearest cities all agree.

#include <cmath>
#include <cstddef>

namespace meridiana {

inline constexpr int kBaseMapWidth = 1024;
inline constexpr int kBaseMapHeight = 512;

// Circumference of the Earth at the equator, in kilometres.
inline constexpr double kEquatorKm = 40075.16;

struct MapPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

// The map area: the part of the main window's client area the map is painted into.
struct MapRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const MapRect&, const MapRect&) = default;
};

struct LatLon {
  double latitude = 0;
  double longitude = 0;
};

struct MapView;

// The columns a picture `width` wide drawn with -180 at its left is turned left by for a map
// centred on `center` (degrees): the centre rounded to a whole column of the base map, scaled
// to the width. 0 for Greenwich, +-width/2 for 180.
int MapCenterShift(double center, int width);
// The base-map (picture) column a shown column holds, and the way back; with no shift both give
// x as it is, even outside the map.
int PictureColumn(int shownX, int width, double center);
int ShownColumn(int pictureX, int width, double center);
// A longitude in degrees brought into [-180, 180).
double WrapLongitude(double longitude);
// The text of a map centre: a decimal number from -180 to 180 with a point as the decimal mark and
// nothing before or after it. False for anything else.
bool ParseMapCenter(const char* text, double* out);

// Longitude/latitude (degrees) to a base-map pixel, truncating toward zero; coordinates beyond
// [-180, 180] and [-90, 90] are taken at the edge.
MapPoint BaseMapPixel(double longitude, double latitude);

// A base-map pixel to a pixel of the map control (without the map area's offset), at the view's
// centre, zoom and effective scroll.
MapPoint BaseToView(const MapView& view, MapPoint base);
// The same for a column as shown, already turned to the centre (the map's edges are shown
// columns 0 and kBaseMapWidth).
MapPoint ShownToView(const MapView& view, MapPoint shown);

// A base-map pixel to a main-window pixel: BaseToView plus the map area's left and top.
MapPoint BaseToWindow(const MapView& view, MapPoint base, const MapRect& area);

// The base-map pixel under a point given in the map control's client coordinates. A zoom that
// cannot be divided by (0, negative, not a number) is taken as 1. Away from Greenwich the column
// is turned back into the base map, always inside it.
MapPoint ViewToBase(const MapView& view, MapPoint pointer);

// The latitude and longitude of a base-map pixel of a map mapWidth x mapHeight (the composed
// map's size; the base-map constants when there is none), clamped to [-90, 90] and [-180, 180].
LatLon BaseToLatLon(MapPoint base, int mapWidth = kBaseMapWidth, int mapHeight = kBaseMapHeight);

// Kilometres per window pixel at the equator.
double MapScaleKm(float zoom);

// Result of a nearest-city search: the index of the city in the list (-1 for none) and its
// distance truncated to whole pixels (9999 when none was found).
struct NearestCity {
  int index = -1;
  int distance = 9999;
};

// The city of `cities` (any range of records with `latitude` and `longitude` members) nearest to
// `point` (map control client coordinates), each city projected with BaseToView and its y moved
// down by yOffset. A city is replaced only by a strictly nearer one, so the first of equals wins;
// cities farther than 9999 pixels are never found. Cities for which skip(city) is true are passed
// over.
template <typename Cities, typename Skip>
NearestCity FindNearestCity(const MapView& view, const Cities& cities, MapPoint point, int yOffset,
                            Skip skip) {
  double best = 9999;
  NearestCity result;
  int i = 0;
  for (const auto& city : cities) {
    if (!skip(city)) {
      MapPoint p = BaseToView(view, BaseMapPixel(city.longitude, city.latitude));
      const double dx = static_cast<double>(p.x) - point.x;
      const double dy = static_cast<double>(p.y) + yOffset - point.y;
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d < best) {
        best = d;
        result.index = i;
      }
    }
    ++i;
  }
  if (result.index >= 0) result.distance = static_cast<int>(best);
  return result;
}

template <typename Cities>
NearestCity FindNearestCity(const MapView& view, const Cities& cities, MapPoint point) {
  return FindNearestCity(view, cities, point, 0, [](const auto&) { return false; });
}

// Whether a city at `distance` counts as under the pointer at this zoom.
bool IsUnderPointer(int distance, float zoom);

}  // namespace meridiana
