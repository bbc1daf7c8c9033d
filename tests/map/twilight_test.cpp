#include "map/twilight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "map/sun_shadow.h"
#include "support/almanac_sun.h"
#include "support/same_pixels.h"

namespace meridiana {
namespace {

using test::AlmanacElevation;

DibPtr Filled(int w, int h, std::uint8_t value) {
  DibPtr dib = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) std::memset(dib->rows[y], value, static_cast<std::size_t>(w) * 3);
  return dib;
}

// A grey day of 200 over a black night: each band leaves its own grey.
int Expected(TwilightBand band) {
  switch (band) {
    case TwilightBand::kCivil:
      return 80;
    case TwilightBand::kNautical:
      return 40;
    case TwilightBand::kAstronomical:
      return 20;
    case TwilightBand::kNight:
      return 0;
    default:
      return 200;
  }
}

TEST(Twilight, SameBytesAsThePerPixelPassOnNoiseAroundTheYear) {
  // Random bytes meet every pair of the band tables and the soft edge's steepest slopes; the
  // sharp view's grid (a part of the Earth, finer than the base map) is included.
  std::mt19937 random(11);
  DibPtr night = DibCreate(720, 360, 24);
  DibPtr day = DibCreate(720, 360, 24);
  for (const Dib* dib : {night.get(), day.get()})
    for (int y = 0; y < 360; ++y)
      for (int i = 0; i < 720 * 3; ++i) dib->rows[y][i] = static_cast<std::uint8_t>(random());
  ShadeGrid part = WholeEarthGrid(720, 360);
  for (std::size_t x = 0; x < part.columnLongitude.size(); ++x)
    part.columnLongitude[x] = -30.0 + static_cast<double>(x) * 0.125;
  for (std::size_t y = 0; y < part.rowLatitude.size(); ++y)
    part.rowLatitude[y] = 75.0 - static_cast<double>(y) * 0.125;
  for (int month = 1; month <= 12; ++month) {
    const TimeValue t = UtcFromCalendar(2027, month, 3 + month, month * 2 - 1, month * 5, 0);
    for (const ShadeGrid& grid : {WholeEarthGrid(720, 360), part}) {
      const DibPtr fast = DibCopy(day.get());
      const DibPtr plain = DibCopy(day.get());
      ApplyTwilightOn(fast.get(), night.get(), t, grid);
      ApplyTwilightOnPerPixel(plain.get(), night.get(), t, grid);
      EXPECT_TRUE(test::SamePixels(fast.get(), plain.get())) << "month " << month;
    }
  }
}

TEST(Twilight, BandEdgesFollowAnIndependentSolarElevation) {
  const struct {
    const char* what;
    TimeValue at;
  } instants[] = {
      {"March equinox 2027", UtcFromCalendar(2027, 3, 20, 14, 25, 0)},
      {"June solstice 2027", UtcFromCalendar(2027, 6, 21, 8, 11, 0)},
      {"December solstice 2026", UtcFromCalendar(2026, 12, 21, 20, 50, 0)},
      {"September equinox 2026, evening", UtcFromCalendar(2026, 9, 23, 0, 5, 0)},
  };
  constexpr int kW = 720;
  constexpr int kH = 360;
  for (const auto& instant : instants) {
    DibPtr map = Filled(kW, kH, 200);
    const DibPtr night = Filled(kW, kH, 0);
    ApplyTwilight(map.get(), night.get(), instant.at);
    int bands[5] = {};
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const double latitude = 90.0 - y * 180.0 / kH;
        const double longitude = 180.0 - (kW - 1 - x) * 360.0 / kW;
        const double e = AlmanacElevation(instant.at, latitude, longitude);
        const int got = map->rows[y][3 * x];
        // Close to a limit the two computations may differ; elsewhere they agree on the band.
        bool nearLimit = false;
        for (const double limit : {9.0, 1.0, 0.0, -6.0, -12.0, -18.0})
          nearLimit |= std::abs(e - limit) < 0.1;
        if (nearLimit) continue;
        if (e > 0 && e < 1) continue;
        if (e > 1 && e < 9) {
          // The sun shadow's own soft edge: trunc(200 h 1.7 + 60) / 2, h = e / 9.
          EXPECT_NEAR(got, 170.0 * e / 9.0 + 30.0, 1.5)
              << instant.what << " at " << latitude << "," << longitude;
          continue;
        }
        const TwilightBand band = BandOfElevation(e);
        ++bands[static_cast<int>(band)];
        ASSERT_EQ(got, Expected(band))
            << instant.what << " at " << latitude << "," << longitude << ", elevation " << e;
      }
    }
    for (int b = 1; b < 5; ++b) EXPECT_GT(bands[b], 1000) << instant.what << " band " << b;
    // At an equinox the Sun stands on the horizon at both poles all day: their rows are in the
    // first band or the first degree above the horizon (from 80 to the shadow's 48 at 1 degree),
    // never in the nautical or astronomical band or the night.
    if (std::string(instant.what).find("equinox") != std::string::npos) {
      for (const int y : {0, kH - 1})
        for (int x = 0; x < kW; ++x)
          ASSERT_GT(map->rows[y][3 * x], 45) << instant.what << " row " << y;
    }
  }
}

TEST(Twilight, BandsOfElevationAndTheSubsolarPoint) {
  EXPECT_EQ(BandOfElevation(0.01), TwilightBand::kDay);
  EXPECT_EQ(BandOfElevation(0.0), TwilightBand::kCivil);
  EXPECT_EQ(BandOfElevation(-6.0), TwilightBand::kNautical);
  EXPECT_EQ(BandOfElevation(-12.0), TwilightBand::kAstronomical);
  EXPECT_EQ(BandOfElevation(-18.0), TwilightBand::kNight);
  // At the June solstice 2027 (08:11 UTC) the Sun stands over the Tropic of Cancer, and at
  // 08:11 UTC near 57 degrees east (noon there, less the equation of time).
  const auto sun = SubsolarPointAt(UtcFromCalendar(2027, 6, 21, 8, 11, 0));
  ASSERT_TRUE(sun.has_value());
  EXPECT_NEAR(sun->latitude, 23.44, 0.05);
  EXPECT_NEAR(sun->longitude, 57.6, 0.3);
  EXPECT_NEAR(SolarElevation(*sun, sun->latitude, sun->longitude), 90.0, 1e-6);
  EXPECT_FALSE(SubsolarPointAt(UtcFromCalendar(2051, 6, 1, 0, 0, 0)).has_value());
}

TEST(Twilight, TheSunlitSideIsThePlainSunShadows) {
  // Noise meets every blend; the whole Earth and a sharp view's finer part across the date line.
  std::mt19937 random(5);
  DibPtr night = DibCreate(1024, 512, 24);
  DibPtr day = DibCreate(1024, 512, 24);
  for (const Dib* dib : {night.get(), day.get()})
    for (int y = 0; y < 512; ++y)
      for (int i = 0; i < 1024 * 3; ++i) dib->rows[y][i] = static_cast<std::uint8_t>(random());
  ShadeGrid part = WholeEarthGrid(1024, 512);
  for (std::size_t x = 0; x < part.columnLongitude.size(); ++x)
    part.columnLongitude[x] = std::remainder(150.0 + static_cast<double>(x) * 0.1, 360.0);
  for (std::size_t y = 0; y < part.rowLatitude.size(); ++y)
    part.rowLatitude[y] = 80.0 - static_cast<double>(y) * 0.3;
  const struct {
    const char* what;
    TimeValue at;
  } instants[] = {
      {"March equinox 2027", UtcFromCalendar(2027, 3, 20, 14, 25, 0)},
      {"June solstice 2027", UtcFromCalendar(2027, 6, 21, 8, 11, 0)},
  };
  for (const auto& instant : instants) {
    const ShadeGrid* grids[] = {nullptr, &part};
    for (const ShadeGrid* grid : grids) {
      const DibPtr shadow = DibCopy(day.get());
      const DibPtr twilight = DibCopy(day.get());
      if (grid == nullptr) {
        ApplySunShadow(shadow.get(), night.get(), instant.at);
        ApplyTwilight(twilight.get(), night.get(), instant.at);
      } else {
        ApplySunShadowOn(shadow.get(), night.get(), instant.at, *grid);
        ApplyTwilightOn(twilight.get(), night.get(), instant.at, *grid);
      }
      const ShadeGrid places = grid != nullptr ? *grid : WholeEarthGrid(1024, 512);
      int sunlit = 0, edge = 0, differing = 0, darkSame = 0, dark = 0;
      for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 1024; ++x) {
          const double e = AlmanacElevation(instant.at, places.rowLatitude[y],
                                            places.columnLongitude[x]);
          const bool same = std::memcmp(shadow->rows[y] + 3 * x, twilight->rows[y] + 3 * x, 3) == 0;
          if (e > 1.05) {
            ++sunlit;
            edge += e < 9;
            differing += !same;
          } else if (e < -0.05) {
            ++dark;
            darkSame += same;
          }
        }
      }
      const char* which = grid != nullptr ? " (part)" : " (whole Earth)";
      EXPECT_EQ(differing, 0) << instant.what << which;
      EXPECT_GT(edge, 5000) << instant.what << which;
      EXPECT_GT(sunlit, 50000) << instant.what << which;
      // Below the horizon the bands, not the shadow, are drawn.
      EXPECT_LT(darkSame, dark / 20) << instant.what << which;
    }
  }
}

// The first degree above the horizon runs from the civil grey into the shadow's soft edge without
// a band's step; the only steps along the equator are the three band edges on either side of
// the night.
TEST(Twilight, TheDaySideEdgeJoinsTheFirstBand) {
  const TimeValue at = UtcFromCalendar(2027, 3, 20, 12, 0, 0);
  DibPtr map = Filled(1440, 4, 200);
  const DibPtr night = Filled(1440, 4, 0);
  ApplyTwilight(map.get(), night.get(), at);
  const std::uint8_t* row = map->rows[2];
  int steps = 0;
  for (int x = 1; x < 1440; ++x) {
    const int step = std::abs(row[3 * x] - row[3 * x - 3]);
    if (step > 12) {
      ++steps;
      EXPECT_TRUE(step == 40 || step == 20) << x << ": " << step;
    }
  }
  EXPECT_EQ(steps, 6);
}

}  // namespace
}  // namespace meridiana
