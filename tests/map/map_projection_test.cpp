// The Earth as a disc: landmarks every reader of such a map checks first (the centre in the
// middle, north up, east right, the pole straight up, the antipode on the azimuthal rim), the
// way back from each pixel, and the picture sampled through it.

#include "map/map_projection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <numbers>
#include <optional>

namespace meridiana {
namespace {

constexpr double kRad = std::numbers::pi / 180;

// The great-circle arc between two places in degrees (haversine, on a sphere).
double ArcDegrees(double lat1, double lon1, double lat2, double lon2) {
  const double dLat = (lat2 - lat1) * kRad;
  const double dLon = (lon2 - lon1) * kRad;
  const double a = std::pow(std::sin(dLat / 2), 2) +
                   std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::pow(std::sin(dLon / 2), 2);
  return 2 * std::asin(std::min(1.0, std::sqrt(a))) / kRad;
}

struct Centre {
  ProjectionKind kind;
  double latitude;
  double longitude;
};

// Both kinds, on the equator, in mid-latitudes either side, near the date line and at the poles.
constexpr Centre kCentres[] = {
    {ProjectionKind::kOrthographic, 0, 0},      {ProjectionKind::kOrthographic, 48.85, 2.35},
    {ProjectionKind::kOrthographic, -33.9, 151.2}, {ProjectionKind::kOrthographic, 89.0, -179.5},
    {ProjectionKind::kAzimuthal, 0, 0},         {ProjectionKind::kAzimuthal, 40.7, -74.0},
    {ProjectionKind::kAzimuthal, -60, 175},     {ProjectionKind::kAzimuthal, -90, 30},
};

TEST(MapProjection, LandmarksOfEveryCentre) {
  for (const Centre& c : kCentres) {
    SCOPED_TRACE(testing::Message() << ProjectionKindName(c.kind) << " " << c.latitude << ","
                                    << c.longitude);
    // A wide picture: the disc fills its height and stands in its middle.
    const MapProjection p(c.kind, c.latitude, c.longitude, 900, 600);
    EXPECT_EQ(p.radius(), 300);
    const auto middle = p.Inverse({450, 300});
    ASSERT_TRUE(middle);
    EXPECT_NEAR(middle->latitude, c.latitude, 1e-9);
    if (std::fabs(c.latitude) < 90) {
      EXPECT_NEAR(std::fabs(WrapLongitude(middle->longitude - c.longitude)), 0, 1e-9);
    }
    EXPECT_FALSE(p.Inverse({10, 300})) << "left of the disc";
    EXPECT_FALSE(p.Inverse({450 + 213, 300 + 213})) << "past the rim";

    if (std::fabs(c.latitude) < 89.5) {
      // North up: the North Pole straight above the middle (on the meridian), or hidden.
      if (const auto pole = p.Forward(90, c.longitude + 33)) {
        EXPECT_NEAR(pole->x, 450, 1e-6);
        EXPECT_LT(pole->y, 300);
      } else {
        EXPECT_EQ(c.kind, ProjectionKind::kOrthographic);
        EXPECT_LT(c.latitude, 0);
      }
      // East to the right: a place a little east of the centre on its parallel.
      const auto east = p.Forward(c.latitude, c.longitude + 1);
      ASSERT_TRUE(east);
      EXPECT_GT(east->x, 450 + 0.9 * p.PixelsPerDegree() * std::cos(c.latitude * kRad));
      // A parallel curves towards its pole.
      EXPECT_LE((east->y - 300) * c.latitude, 1e-9);
    }

    const double antipodeLat = -c.latitude;
    const double antipodeLon = c.longitude + 180;
    const auto antipode = p.Forward(antipodeLat, antipodeLon);
    if (c.kind == ProjectionKind::kOrthographic) {
      EXPECT_FALSE(antipode) << "the far side is hidden";
      // The limb: a place 90 degrees away lies on the rim.
      const auto limb = p.Forward(c.latitude > 0 ? c.latitude - 90 : c.latitude + 90,
                                  c.longitude);
      ASSERT_TRUE(limb);
      EXPECT_NEAR(std::hypot(limb->x - 450, limb->y - 300), 300, 1e-6);
    } else {
      ASSERT_TRUE(antipode);
      EXPECT_NEAR(std::hypot(antipode->x - 450, antipode->y - 300), 300, 1e-6);
    }
  }
}

// The way there and back: every pixel centre of the disc (a coarse grid of them) is drawn where
// its place goes, and on the azimuthal map its distance from the middle is the great-circle arc.
TEST(MapProjection, InverseThenForwardReturnsToThePixel) {
  for (const Centre& c : kCentres) {
    SCOPED_TRACE(testing::Message() << ProjectionKindName(c.kind) << " " << c.latitude << ","
                                    << c.longitude);
    const MapProjection p(c.kind, c.latitude, c.longitude, 401, 401);
    int inside = 0;
    for (int y = 0; y < 401; y += 7) {
      for (int x = 0; x < 401; x += 7) {
        const DiscPoint point{x + 0.5, y + 0.5};
        const double rho = std::hypot(point.x - 200.5, point.y - 200.5) / 200.5;
        const auto place = p.Inverse(point);
        ASSERT_EQ(place.has_value(), rho <= 1) << x << "," << y;
        if (!place || rho > 0.995) continue;  // at the rim the way back loses precision
        ++inside;
        const auto back = p.Forward(place->latitude, place->longitude);
        ASSERT_TRUE(back) << x << "," << y;
        EXPECT_NEAR(back->x, point.x, 1e-6);
        EXPECT_NEAR(back->y, point.y, 1e-6);
        if (c.kind == ProjectionKind::kAzimuthal) {
          EXPECT_NEAR(rho * 180,
                      ArcDegrees(c.latitude, c.longitude, place->latitude, place->longitude),
                      1e-5);
        }
      }
    }
    EXPECT_GT(inside, 2400);
  }
}

// With the North Pole at the middle the centre's meridian runs straight down and the one 90
// degrees east of it to the right (east is counter-clockwise seen from above the pole).
TEST(MapProjection, PoleAtTheMiddle) {
  for (const ProjectionKind kind : {ProjectionKind::kOrthographic, ProjectionKind::kAzimuthal}) {
    const MapProjection p(kind, 90, 20, 200, 200);
    const auto down = p.Forward(45, 20);
    const auto right = p.Forward(45, 110);
    ASSERT_TRUE(down && right);
    EXPECT_NEAR(down->x, 100, 1e-9);
    EXPECT_GT(down->y, 100);
    EXPECT_GT(right->x, 100);
    EXPECT_NEAR(right->y, 100, 1e-9);
  }
}

TEST(MapProjection, TextsOfKindsAndLatitudes) {
  const struct {
    const char* text;
    std::optional<ProjectionKind> kind;
  } kinds[] = {{"rectangular", ProjectionKind::kRectangular},
               {"orthographic", ProjectionKind::kOrthographic},
               {"azimuthal", ProjectionKind::kAzimuthal},
               {"Orthographic", std::nullopt},
               {"globe", std::nullopt},
               {"", std::nullopt}};
  for (const auto& row : kinds) {
    EXPECT_EQ(ParseProjectionKind(row.text), row.kind) << row.text;
    if (row.kind) {
      EXPECT_STREQ(ProjectionKindName(*row.kind), row.text);
    }
  }
  const struct {
    const char* text;
    bool ok;
    double value;
  } latitudes[] = {{"45", true, 45},     {"-90", true, -90},   {"90", true, 90},
                   {"-33.87", true, -33.87}, {"90.01", false, 0}, {"-91", false, 0},
                   {"45N", false, 0},    {" 45", false, 0},    {"nan", false, 0},
                   {"", false, 0},       {"4,5", false, 0}};
  for (const auto& row : latitudes) {
    double value = 0;
    EXPECT_EQ(ParseCenterLatitude(row.text, &value), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(value, row.value);
    }
  }
}

// The picture through the projection: a map whose western hemisphere is red and eastern blue,
// with a green band either side of the date line, sampled with the filter and black outside.
TEST(ProjectMap, HemispheresTheDateLineAndTheOutside) {
  DibPtr map = DibCreate(360, 180, 24, 256);
  for (int y = 0; y < 180; ++y)
    for (int x = 0; x < 360; ++x) {
      std::uint8_t* p = map->rows[static_cast<std::size_t>(y)] + 3 * x;
      const bool dateLine = x < 5 || x >= 355;
      p[0] = !dateLine && x >= 180 ? 255 : 0;  // blue east
      p[1] = dateLine ? 255 : 0;
      p[2] = !dateLine && x < 180 ? 255 : 0;  // red west
    }
  const auto at = [](const Dib* dib, int x, int y) {
    const std::uint8_t* p = dib->rows[static_cast<std::size_t>(y)] + 3 * x;
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  using Rgb3 = std::array<int, 3>;
  const struct {
    ProjectionKind kind;
    double longitude;
    int x, y;
    Rgb3 bgr;
  } rows[] = {
      {ProjectionKind::kOrthographic, 0, 150, 100, {0, 0, 255}},   // west of Greenwich: red
      {ProjectionKind::kOrthographic, 0, 250, 100, {255, 0, 0}},   // east: blue
      {ProjectionKind::kOrthographic, 180, 200, 100, {0, 255, 0}},  // the date line in the middle
      {ProjectionKind::kOrthographic, 0, 20, 100, {0, 0, 0}},      // outside the disc
      {ProjectionKind::kOrthographic, 0, 100, 199, {0, 0, 0}},      // the corner
      {ProjectionKind::kAzimuthal, 0, 120, 100, {0, 0, 255}},
      {ProjectionKind::kAzimuthal, 0, 200, 199, {0, 255, 0}},  // the antipode on the rim
      {ProjectionKind::kAzimuthal, -179, 200, 100, {0, 255, 0}},
  };
  for (const auto& row : rows) {
    const MapProjection p(row.kind, 0, row.longitude, 400, 200);
    const DibPtr disc = ProjectMap(map.get(), p);
    ASSERT_TRUE(disc);
    ASSERT_EQ(DibWidth(disc.get()), 400);
    EXPECT_EQ(at(disc.get(), row.x, row.y), row.bgr)
        << ProjectionKindName(row.kind) << " " << row.longitude << " at " << row.x << ","
        << row.y;
  }
  // Filtered: across Greenwich the colours blend, no pixel repeats a neighbour's whole.
  const DibPtr disc = ProjectMap(map.get(), MapProjection(ProjectionKind::kOrthographic, 0, 0,
                                                          4000, 2000));
  const Rgb3 seam = at(disc.get(), 2000, 1000);
  EXPECT_GT(seam[0], 60);
  EXPECT_GT(seam[2], 60);
  EXPECT_FALSE(ProjectMap(nullptr, MapProjection(ProjectionKind::kAzimuthal, 0, 0, 10, 10)));
}

}  // namespace
}  // namespace meridiana
