#include "map/twilight.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "map/sun_shadow.h"
#include "world/solar_position.h"

namespace meridiana {
namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

// The share of the night image in each band, darkest last.
constexpr double kNightShare[] = {0.0, 0.6, 0.8, 0.9, 1.0};

inline std::uint8_t Mix(std::uint8_t d, std::uint8_t n, double nightShare) {
  return static_cast<std::uint8_t>(n * nightShare + d * (1.0 - nightShare) + 0.5);
}

// The soft edge above the horizon (h = e / 9): from the civil colour c at the horizon to the
// day at 9 degrees.
inline std::uint8_t Edge(std::uint8_t d, std::uint8_t c, double h) {
  return static_cast<std::uint8_t>(c + (d - c) * h + 0.5);
}

}  // namespace

TwilightBand BandOfElevation(double degrees) {
  if (degrees > 0.0) return TwilightBand::kDay;
  if (degrees > -6.0) return TwilightBand::kCivil;
  if (degrees > -12.0) return TwilightBand::kNautical;
  if (degrees > -18.0) return TwilightBand::kAstronomical;
  return TwilightBand::kNight;
}

std::optional<SubsolarPoint> SubsolarPointAt(TimeValue now) {
  SolarQuery q = ShadingQuery(now);
  if (ComputeSolarPosition(&q) != 0) return std::nullopt;
  // The hour angle at Greenwich is how far west of it the Sun stands.
  double longitude =
      static_cast<double>(q.rightAscension) - static_cast<double>(q.greenwichSiderealTime) * 15.0;
  longitude = std::remainder(longitude, 360.0);
  return SubsolarPoint{static_cast<double>(q.declination), longitude};
}

double SolarElevation(const SubsolarPoint& sun, double latitude, double longitude) {
  const double s = std::sin(latitude * kRad) * std::sin(sun.latitude * kRad) +
                   std::cos(latitude * kRad) * std::cos(sun.latitude * kRad) *
                       std::cos((longitude - sun.longitude) * kRad);
  return std::asin(std::fmax(-1.0, std::fmin(1.0, s))) / kRad;
}

void ApplyTwilight(Dib* composed, const Dib* night, TimeValue now) {
  if (!ShadowImagesMatch(composed, night)) return;
  ApplyTwilightOn(composed, night, now, WholeEarthGrid(DibWidth(composed), DibHeight(composed)));
}

void ApplyTwilightOn(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid) {
  if (!ShadowImagesMatch(composed, night) || !GridFits(grid, composed)) return;
  const std::optional<SubsolarPoint> sun = SubsolarPointAt(now);
  if (!sun) return;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);
  // sin e = sin(lat) sin(decl) + cos(lat) cos(decl) cos(lon - sun): one cosine per column, two
  // products per row; the bands' limits compare as sines.
  std::vector<double> cosHour(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    const double longitude = grid.columnLongitude[static_cast<std::size_t>(x)];
    cosHour[static_cast<std::size_t>(x)] = std::cos((longitude - sun->longitude) * kRad);
  }
  const double sinDecl = std::sin(sun->latitude * kRad);
  const double cosDecl = std::cos(sun->latitude * kRad);
  const double sinEdge = std::sin(9.0 * kRad);
  const double limits[] = {0.0, std::sin(-6.0 * kRad), std::sin(-12.0 * kRad),
                           std::sin(-18.0 * kRad)};
  for (int y = 0; y < height; ++y) {
    const double latitude = grid.rowLatitude[static_cast<std::size_t>(y)];
    const double a = std::sin(latitude * kRad) * sinDecl;
    const double b = std::cos(latitude * kRad) * cosDecl;
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];
    for (int x = 0; x < width; ++x, d += 3, n += 3) {
      const double s = a + b * cosHour[static_cast<std::size_t>(x)];
      if (s > sinEdge) continue;  // full day
      if (s > 0.0) {
        const double h = std::asin(s) / kRad / 9.0;
        for (int c = 0; c < 3; ++c) d[c] = Edge(d[c], Mix(d[c], n[c], kNightShare[1]), h);
        continue;
      }
      int band = 1;
      while (band < 4 && s <= limits[band]) ++band;
      for (int c = 0; c < 3; ++c) d[c] = Mix(d[c], n[c], kNightShare[band]);
    }
  }
}

}  // namespace meridiana
