#include "map/twilight.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Just above the horizon (h = e / 1 degree): from the civil colour c at the horizon to the sun
// shadow's own colour s at 1 degree, so that the first band meets the shadow without a seam.
inline std::uint8_t Edge(std::uint8_t s, std::uint8_t c, double h) {
  return static_cast<std::uint8_t>(c + (s - c) * h + 0.5);
}

// The blends of each band for every pair of bytes, looked up instead of recomputed: the tables
// are made from Mix itself, so they give its bytes exactly.
struct BandTables {
  std::vector<std::uint8_t> mix[3];  // civil, nautical, astronomical; index n * 256 + d
  BandTables() {
    for (int band = 0; band < 3; ++band) {
      mix[band].resize(65536);
      for (int n = 0; n < 256; ++n)
        for (int d = 0; d < 256; ++d)
          mix[band][static_cast<std::size_t>(n * 256 + d)] = Mix(
              static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(n), kNightShare[band + 1]);
    }
  }
};

const BandTables& Tables() {
  static const BandTables tables;
  return tables;
}

// One pixel less than a degree above the horizon at sin e = s, from its composed (d), night (n)
// and shadowed (sh) colours, on the civil colour from the table.
inline void EdgePixel(std::uint8_t* d, const std::uint8_t* n, const std::uint8_t* sh, double s,
                      const BandTables& t) {
  const double h = std::asin(s) / kRad;
  for (int c = 0; c < 3; ++c)
    d[c] = Edge(sh[c], t.mix[0][static_cast<std::size_t>(n[c] * 256 + d[c])], h);
}

// sin e = sin(lat) sin(decl) + cos(lat) cos(decl) cos(lon - sun): one cosine per column, two
// products per row; the bands' limits compare as sines. Both passes take their sines from here,
// so they agree operation for operation.
struct TwilightSines {
  std::vector<double> cosHour;  // per column
  double sinDecl;
  double cosDecl;
  double sinEdge = std::sin(1.0 * kRad);
  double limits[4] = {0.0, std::sin(-6.0 * kRad), std::sin(-12.0 * kRad), std::sin(-18.0 * kRad)};

  TwilightSines(const SubsolarPoint& sun, const ShadeGrid& grid)
      : cosHour(grid.columnLongitude.size()),
        sinDecl(std::sin(sun.latitude * kRad)),
        cosDecl(std::cos(sun.latitude * kRad)) {
    for (std::size_t x = 0; x < cosHour.size(); ++x)
      cosHour[x] = std::cos((grid.columnLongitude[x] - sun.longitude) * kRad);
  }
  // A row's two products: s = RowOffset + RowScale * cosHour[x].
  double RowOffset(double latitude) const { return std::sin(latitude * kRad) * sinDecl; }
  double RowScale(double latitude) const { return std::cos(latitude * kRad) * cosDecl; }
};

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

namespace {

// What a pass works from: the sines, and the composed map as the plain sun shadow draws it, whose
// pixels the day side keeps. None when the images or the grid do not fit, or the solar routine
// rejects the instant (the pass then leaves the picture as it is).
struct PassInputs {
  TwilightSines sines;
  DibPtr shadowed;
};

std::optional<PassInputs> PassSines(const Dib* composed, const Dib* night, TimeValue now,
                                    const ShadeGrid& grid) {
  if (!ShadowImagesMatch(composed, night) || !GridFits(grid, composed)) return std::nullopt;
  const std::optional<SubsolarPoint> sun = SubsolarPointAt(now);
  if (!sun) return std::nullopt;
  DibPtr shadowed = DibCreate(DibWidth(composed), DibHeight(composed), 24, 256);
  if (!shadowed) return std::nullopt;
  ApplySunShadowOn(shadowed.get(), night, now, grid, composed);
  return PassInputs{TwilightSines(*sun, grid), std::move(shadowed)};
}

}  // namespace

void ApplyTwilight(Dib* composed, const Dib* night, TimeValue now) {
  if (!ShadowImagesMatch(composed, night)) return;
  ApplyTwilightOn(composed, night, now, WholeEarthGrid(DibWidth(composed), DibHeight(composed)));
}

void ApplyTwilightOnPerPixel(Dib* composed, const Dib* night, TimeValue now,
                             const ShadeGrid& grid) {
  const std::optional<PassInputs> inputs = PassSines(composed, night, now, grid);
  if (!inputs) return;
  const TwilightSines* sines = &inputs->sines;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);
  const double sinEdge = sines->sinEdge;
  const double* limits = sines->limits;
  for (int y = 0; y < height; ++y) {
    const double latitude = grid.rowLatitude[static_cast<std::size_t>(y)];
    const double a = sines->RowOffset(latitude);
    const double b = sines->RowScale(latitude);
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];
    const std::uint8_t* sh = inputs->shadowed->rows[y];
    for (int x = 0; x < width; ++x, d += 3, n += 3, sh += 3) {
      const double s = a + b * sines->cosHour[static_cast<std::size_t>(x)];
      if (s > sinEdge) {  // the sun shadow's own pixel
        for (int c = 0; c < 3; ++c) d[c] = sh[c];
        continue;
      }
      if (s > 0.0) {
        const double h = std::asin(s) / kRad;
        for (int c = 0; c < 3; ++c) d[c] = Edge(sh[c], Mix(d[c], n[c], kNightShare[1]), h);
        continue;
      }
      int band = 1;
      while (band < 4 && s <= limits[band]) ++band;
      for (int c = 0; c < 3; ++c) d[c] = Mix(d[c], n[c], kNightShare[band]);
    }
  }
}

void ApplyTwilightOn(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid) {
  const std::optional<PassInputs> inputs = PassSines(composed, night, now, grid);
  if (!inputs) return;
  const TwilightSines* sines = &inputs->sines;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);
  const auto [lowest, highest] = std::minmax_element(sines->cosHour.begin(), sines->cosHour.end());
  const double sinEdge = sines->sinEdge;
  const double* limits = sines->limits;
  const BandTables& tables = Tables();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    const double latitude = grid.rowLatitude[static_cast<std::size_t>(y)];
    const double a = sines->RowOffset(latitude);
    const double b = sines->RowScale(latitude);
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];
    const std::uint8_t* sh = inputs->shadowed->rows[y];
    // b is never negative and rounding keeps order, so the row's sines lie between these:
    // a row wholly in the day is the shadowed row, one wholly in the night the night image.
    if (a + b * *lowest > sinEdge) {
      std::memcpy(d, sh, rowBytes);
      continue;
    }
    if (a + b * *highest <= limits[3]) {
      std::memcpy(d, n, rowBytes);
      continue;
    }
    for (int x = 0; x < width; ++x, d += 3, n += 3, sh += 3) {
      const double s = a + b * sines->cosHour[static_cast<std::size_t>(x)];
      if (s > sinEdge) {
        d[0] = sh[0];
        d[1] = sh[1];
        d[2] = sh[2];
        continue;
      }
      if (s > 0.0) {
        EdgePixel(d, n, sh, s, tables);
        continue;
      }
      if (s <= limits[3]) {
        d[0] = n[0];
        d[1] = n[1];
        d[2] = n[2];
        continue;
      }
      const int band = s > limits[1] ? 0 : s > limits[2] ? 1 : 2;
      const std::uint8_t* mix = tables.mix[band].data();
      for (int c = 0; c < 3; ++c) d[c] = mix[n[c] * 256 + d[c]];
    }
  }
}

}  // namespace meridiana
