#pragma once
// The Earth drawn as a disc: the orthographic view (the hemisphere seen from far above a point)
// and the azimuthal equidistant one (the whole Earth, distances and directions true from the
// centre). The disc fills the shorter side of a picture and sits in its middle; north is up
// (the centre's meridian runs straight up from the centre) and east to the right. With a pole
// at the centre "up" is the meridian 180 degrees from the centre's, so the centre's meridian
// runs straight down from the North Pole.

#include <optional>
#include <string_view>

#include "foundation/dib.h"
#include "map/map_geometry.h"

namespace meridiana {

enum class ProjectionKind { kRectangular, kOrthographic, kAzimuthal };

// "rectangular", "orthographic", "azimuthal"; none for anything else.
std::optional<ProjectionKind> ParseProjectionKind(std::string_view text);
const char* ProjectionKindName(ProjectionKind kind);

// A latitude text: a decimal number from -90 to 90 with a point as the decimal mark, as
// ParseMapCenter reads longitudes.
bool ParseCenterLatitude(const char* text, double* out);

// A point of the picture in pixel coordinates (0,0 is the top-left corner of the top-left pixel).
struct DiscPoint {
  double x = 0;
  double y = 0;
};

class MapProjection {
 public:
  // kind must not be kRectangular; the centre in degrees; the picture width x height pixels.
  MapProjection(ProjectionKind kind, double centerLatitude, double centerLongitude, int width,
                int height);

  ProjectionKind kind() const { return kind_; }
  double radius() const { return radius_; }
  DiscPoint middle() const { return {middleX_, middleY_}; }

  // The place a picture point shows; none outside the disc.
  std::optional<LatLon> Inverse(DiscPoint point) const;
  // Where a place is drawn; none on the orthographic view's far side. The azimuthal view shows
  // every place; the centre's antipode is the whole rim, given as the rim's lowest point.
  std::optional<DiscPoint> Forward(double latitude, double longitude) const;

  // Pixels of the picture per degree of arc at the disc's middle, the finest it needs.
  double PixelsPerDegree() const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  ProjectionKind kind_;
  int width_;
  int height_;
  double sinLat0_;
  double cosLat0_;
  double lon0_;
  double middleX_;
  double middleY_;
  double radius_;
};

// The picture of the disc sampled from `map`, an equirectangular picture of the whole Earth of
// any size (longitude -180 at its left edge, +90 at the top): bilinear at each pixel's centre,
// round the Earth across the date line, black outside the disc. Rows are shared between two
// threads on a picture big enough. Null when the map is not a 24-bit picture.
DibPtr ProjectMap(const Dib* map, const MapProjection& projection);

}  // namespace meridiana
