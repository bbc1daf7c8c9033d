// The Earth as a disc: landmarks every reader of such a map checks first (the centre in the
// middle, north up, east right, the pole straight up, the antipode on the azimuthal rim), the
// way back from each pixel, and the picture sampled through it.

#include "map/map_projection.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "support/great_circle.h"

namespace meridiana {
namespace {

constexpr double kRad = std::numbers::pi / 180;
constexpr auto kOrtho = ProjectionKind::kOrthographic;
constexpr auto kAzimuthal = ProjectionKind::kAzimuthal;

using test::GreatCircleDegrees;

// Both kinds, on the equator, in mid-latitudes either side, near the date line and at the poles.
constexpr struct {
  ProjectionKind kind;
  double latitude;
  double longitude;
} kCentres[] = {
    {kOrtho, 0, 0},     {kOrtho, 48.85, 2.35},     {kOrtho, -33.9, 151.2}, {kOrtho, 89.0, -179.5},
    {kAzimuthal, 0, 0}, {kAzimuthal, 40.7, -74.0}, {kAzimuthal, -60, 175}, {kAzimuthal, -90, 30},
    {kOrtho, 90, 20},   {kAzimuthal, 90, 20},
};

TEST(MapProjection, LandmarksAndTheWayBackOfEveryCentre) {
  for (const auto& c : kCentres) {
    SCOPED_TRACE(testing::Message()
                 << ProjectionKindName(c.kind) << " " << c.latitude << "," << c.longitude);
    // A wide picture: the disc fills its height and stands in its middle.
    const MapProjection p(c.kind, c.latitude, c.longitude, 900, 600);
    const auto middle = p.Inverse({450, 300});
    ASSERT_TRUE(middle);
    EXPECT_NEAR(middle->latitude, c.latitude, 1e-9);
    if (c.latitude == 90) {
      // The centre's meridian straight down from the pole, the one 90 degrees east of it to the
      // right (east is counter-clockwise seen from above the North Pole).
      const auto down = p.Forward(45, c.longitude);
      const auto right = p.Forward(45, c.longitude + 90);
      ASSERT_TRUE(down && right);
      EXPECT_NEAR(down->x, 450, 1e-9);
      EXPECT_GT(down->y, 300);
      EXPECT_GT(right->x, 450);
      EXPECT_NEAR(right->y, 300, 1e-9);
    } else if (std::fabs(c.latitude) < 89.5) {
      EXPECT_NEAR(WrapLongitude(middle->longitude - c.longitude), 0, 1e-9);
      // North up: the North Pole straight above the middle, unless on the far side.
      if (const auto pole = p.Forward(90, c.longitude + 33)) {
        EXPECT_NEAR(pole->x, 450, 1e-6);
        EXPECT_LT(pole->y, 300);
      } else {
        EXPECT_TRUE(c.kind == kOrtho && c.latitude < 0);
      }
      // East to the right, along a parallel that curves towards its pole.
      const auto east = p.Forward(c.latitude, c.longitude + 1);
      ASSERT_TRUE(east);
      EXPECT_GT(east->x, 450 + 0.9 * p.PixelsPerDegree() * std::cos(c.latitude * kRad));
      EXPECT_LE((east->y - 300) * c.latitude, 1e-9);
    }
    // The antipode: hidden behind the globe, the whole rim of the azimuthal disc.
    const auto antipode = p.Forward(-c.latitude, c.longitude + 180);
    ASSERT_EQ(antipode.has_value(), c.kind == kAzimuthal);
    if (antipode) {
      EXPECT_NEAR(std::hypot(antipode->x - 450, antipode->y - 300), 300, 1e-6);
    }

    // There and back: pixel centres on a grid go where their places are drawn, and on the
    // azimuthal disc their distance from the middle is the great-circle arc.
    int inside = 0;
    for (double y = 0.5; y < 600; y += 7) {
      for (double x = 150.5; x < 750; x += 7) {
        const double rho = std::hypot(x - 450, y - 300) / 300;
        const auto place = p.Inverse({x, y});
        ASSERT_EQ(place.has_value(), rho <= 1) << x << "," << y;
        if (!place || rho > 0.995) continue;  // at the rim the way back loses precision
        ++inside;
        const auto back = p.Forward(place->latitude, place->longitude);
        ASSERT_TRUE(back) << x << "," << y;
        EXPECT_NEAR(back->x, x, 1e-6);
        EXPECT_NEAR(back->y, y, 1e-6);
        if (c.kind == kAzimuthal) {
          EXPECT_NEAR(
              rho * 180,
              GreatCircleDegrees(c.latitude, c.longitude, place->latitude, place->longitude), 1e-5);
        }
      }
    }
    EXPECT_GT(inside, 5000);
  }
}

// The picture through the projection: a map whose western hemisphere is red and eastern blue,
// with a green band either side of the date line, sampled across it.
TEST(ProjectMap, HemispheresTheDateLineAndTheOutside) {
  DibPtr map = DibCreate(360, 180, 24, 256);
  for (int y = 0; y < 180; ++y)
    for (int x = 0; x < 360; ++x) {
      std::uint8_t* p = map->rows[static_cast<std::size_t>(y)] + 3 * x;
      const bool dateLine = x < 5 || x >= 355;
      p[0] = !dateLine && x >= 180 ? 255 : 0;
      p[1] = dateLine ? 255 : 0;
      p[2] = !dateLine && x < 180 ? 255 : 0;
    }
  using Bgr = std::array<int, 3>;
  const struct {
    ProjectionKind kind;
    double longitude;
    int x, y;
    Bgr bgr;
  } rows[] = {
      {kOrtho, 0, 150, 100, {0, 0, 255}},      // west of Greenwich: red
      {kOrtho, 180, 200, 100, {0, 255, 0}},    // the date line in the middle
      {kAzimuthal, 0, 200, 199, {0, 255, 0}},  // the antipode on the rim
      {kAzimuthal, -179, 200, 100, {0, 255, 0}},
  };
  for (const auto& row : rows) {
    const DibPtr disc = ProjectMap(map.get(), MapProjection(row.kind, 0, row.longitude, 400, 200));
    ASSERT_TRUE(disc);
    const std::uint8_t* p = disc->rows[static_cast<std::size_t>(row.y)] + 3 * row.x;
    EXPECT_EQ((Bgr{p[0], p[1], p[2]}), row.bgr)
        << ProjectionKindName(row.kind) << " " << row.longitude << " at " << row.x << "," << row.y;
  }
}

}  // namespace
}  // namespace meridiana
