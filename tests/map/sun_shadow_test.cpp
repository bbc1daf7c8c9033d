#include "map/sun_shadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "support/same_pixels.h"

namespace meridiana {
namespace {

// Synthetic pictures made here, not real imagery: a "day" of smooth gradients and a darker
// "night" with a different pattern, so every channel pair of the blend gets exercised.
DibPtr SyntheticDay(int w, int h) {
  DibPtr dib = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = dib->rows[y];
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
      p[2] = static_cast<uint8_t>((x * 7 + y * 13) & 0xff);
    }
  }
  return dib;
}

DibPtr SyntheticNight(int w, int h) {
  DibPtr dib = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = dib->rows[y];
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = static_cast<uint8_t>((x ^ y) & 0x3f);
      p[1] = static_cast<uint8_t>((x * 3 + y) % 50);
      p[2] = static_cast<uint8_t>(255 - (x + y) % 256);
    }
  }
  return dib;
}

using test::SamePixels;

int ChangedPixels(const Dib* a, const Dib* b) {
  int changed = 0;
  for (int y = 0; y < DibHeight(a); ++y) {
    for (int x = 0; x < DibWidth(a) * 3; x += 3) {
      changed += std::memcmp(a->rows[y] + x, b->rows[y] + x, 3) != 0;
    }
  }
  return changed;
}

TEST(BlendShadowPixel, NightTwilightAndDay) {
  const uint8_t night[3] = {10, 10, 30};
  uint8_t d[3] = {200, 100, 50};
  BlendShadowPixel(d, night, -0.5f);
  EXPECT_EQ(d[0], 48);
  EXPECT_EQ(d[1], 28);
  EXPECT_EQ(d[2], 34);

  // e = 4.5 gives h = 0.5: ((100 + 5) * 1.7 + 60) / 2 = 119.25, stored as 119.
  const uint8_t n10[3] = {10, 10, 10};
  uint8_t t[3] = {200, 200, 200};
  BlendShadowPixel(t, n10, 4.5f);
  EXPECT_EQ(t[0], 119);
  EXPECT_EQ(t[2], 119);

  // At e = 9 the twilight formula still applies, and gives the composed value back only when
  // the truncation allows: (200 * 1.7 + 60) / 2 = 200.
  uint8_t nine[3] = {200, 0, 255};
  BlendShadowPixel(nine, n10, 9.0f);
  EXPECT_EQ(nine[0], 200);
  EXPECT_EQ(nine[1], 0);  // (0 + 0) * 1.7 + 0 ... stays 0
  EXPECT_EQ(nine[2], 255);

  // e exactly 0 and e above 9 leave the pixel alone.
  for (const float e : {0.0f, 9.5f, 90.0f}) {
    uint8_t keep[3] = {200, 100, 50};
    BlendShadowPixel(keep, night, e);
    EXPECT_EQ(keep[0], 200) << e;
    EXPECT_EQ(keep[1], 100) << e;
    EXPECT_EQ(keep[2], 50) << e;
  }
}

// The fast pass in each of its vector widths: both must give the reference's bytes.
class ApplySunShadowIn : public ::testing::TestWithParam<ShadowKernels> {
 protected:
  void SetUp() override { UseShadowKernels(GetParam()); }
  void TearDown() override { UseShadowKernels(ShadowKernels::kWidest); }
};

INSTANTIATE_TEST_SUITE_P(Kernels, ApplySunShadowIn,
                         ::testing::Values(ShadowKernels::kWidest, ShadowKernels::kSse2),
                         [](const auto& info) {
                           return info.param == ShadowKernels::kSse2 ? "sse2" : "widest";
                         });

TEST_P(ApplySunShadowIn, SameBitsAsThePerPixelPass) {
  struct Instant {
    const char* what;
    TimeValue t;
    bool shaded;  // false: the solar routine rejects the instant, the map stays as it is
  };
  const Instant instants[] = {
      {"June solstice", UtcFromCalendar(2024, 6, 20, 20, 51, 0), true},
      {"December solstice", UtcFromCalendar(2024, 12, 21, 9, 20, 0), true},
      {"March equinox", UtcFromCalendar(2024, 3, 20, 3, 6, 0), true},
      {"1 January", UtcFromCalendar(2025, 1, 1, 0, 0, 0), true},
      {"31 December of a leap year", UtcFromCalendar(2024, 12, 31, 23, 59, 59), true},
      {"year 2050", UtcFromCalendar(2050, 8, 1, 6, 30, 0), true},
      {"past 2050", UtcFromCalendar(2051, 3, 1, 12, 0, 0), false},
      {"before 1950", UtcFromCalendar(1949, 12, 31, 23, 0, 0), false},
  };
  const DibPtr night = SyntheticNight(1024, 512);
  const DibPtr day = SyntheticDay(1024, 512);
  for (const Instant& i : instants) {
    const DibPtr fast = DibCopy(day.get());
    const DibPtr slow = DibCopy(day.get());
    ApplySunShadow(fast.get(), night.get(), i.t);
    ApplySunShadowPerPixel(slow.get(), night.get(), i.t);
    EXPECT_TRUE(SamePixels(fast.get(), slow.get())) << i.what;
    const int changed = ChangedPixels(day.get(), fast.get());
    if (i.shaded) {
      // Night covers half the map; the twilight band adds more, widest near the poles, where
      // the map stretches it.
      EXPECT_GT(changed, 1024 * 512 * 45 / 100) << i.what;
      EXPECT_LT(changed, 1024 * 512 * 70 / 100) << i.what;
    } else {
      EXPECT_EQ(changed, 0) << i.what;
    }
  }
}

TEST_P(ApplySunShadowIn, EveryBytePairOfTheNightBlend) {
  // Consecutive bytes run through every (night, composed) pair each 65,536 bytes, so the night
  // half of the map meets each pair many times over.
  const DibPtr night = DibCreate(1024, 512, 24);
  const DibPtr fast = DibCreate(1024, 512, 24);
  for (int y = 0; y < 512; ++y) {
    for (int i = 0; i < 1024 * 3; ++i) {
      const int k = y * 1024 * 3 + i;
      fast->rows[y][i] = static_cast<uint8_t>(k & 0xff);
      night->rows[y][i] = static_cast<uint8_t>((k >> 8) & 0xff);
    }
  }
  const DibPtr slow = DibCopy(fast.get());
  const TimeValue t = UtcFromCalendar(2024, 12, 21, 9, 20, 0);
  ApplySunShadow(fast.get(), night.get(), t);
  ApplySunShadowPerPixel(slow.get(), night.get(), t);
  EXPECT_TRUE(SamePixels(fast.get(), slow.get()));
}

TEST_P(ApplySunShadowIn, NoisePicturesAroundTheYear) {
  // The twilight band is blended in single precision and checked against the reference only
  // where a byte could come out differently; random bytes meet the steepest blends (day 255
  // over night 0) and the ones that land on whole numbers, at every season and hour.
  std::mt19937 random(7);
  DibPtr night = DibCreate(720, 360, 24);
  DibPtr day = DibCreate(720, 360, 24);
  for (const Dib* dib : {night.get(), day.get()})
    for (int y = 0; y < 360; ++y)
      for (int i = 0; i < 720 * 3; ++i) dib->rows[y][i] = static_cast<uint8_t>(random());
  for (int month = 1; month <= 12; ++month) {
    const TimeValue t = UtcFromCalendar(2027, month, 3 + month, month * 2 - 1, month * 5, 0);
    const DibPtr fast = DibCopy(day.get());
    const DibPtr slow = DibCopy(day.get());
    ApplySunShadow(fast.get(), night.get(), t);
    ApplySunShadowPerPixel(slow.get(), night.get(), t);
    EXPECT_TRUE(SamePixels(fast.get(), slow.get())) << "month " << month;
  }
}

TEST_P(ApplySunShadowIn, OtherSizesAndOddShapes) {
  const TimeValue t = UtcFromCalendar(2024, 6, 20, 20, 51, 0);
  for (const auto& [w, h] : {std::pair{360, 180}, std::pair{7, 5}, std::pair{1, 1},
                             std::pair{2048, 3}, std::pair{3, 900}}) {
    const DibPtr night = SyntheticNight(w, h);
    const DibPtr fast = SyntheticDay(w, h);
    const DibPtr slow = SyntheticDay(w, h);
    ApplySunShadow(fast.get(), night.get(), t);
    ApplySunShadowPerPixel(slow.get(), night.get(), t);
    EXPECT_TRUE(SamePixels(fast.get(), slow.get())) << w << "x" << h;
  }
}

TEST(ApplySunShadow, NightSideAndDaySideWhereTheyBelong) {
  // At the June solstice 12:00 UTC the Sun stands over about 23.4N 0E: a 1024 x 512 map keeps
  // that pixel, darkens its antipode fully, and shades the North Pole region not at all.
  const TimeValue t = UtcFromCalendar(2024, 6, 21, 12, 0, 0);
  const DibPtr night = SyntheticNight(1024, 512);
  const DibPtr day = SyntheticDay(1024, 512);
  const DibPtr map = DibCopy(day.get());
  ApplySunShadow(map.get(), night.get(), t);
  auto pixelAt = [](const Dib* dib, double lat, double lon) {
    const int y = static_cast<int>(std::lround((90.0 - lat) * 512 / 180));
    const int x = static_cast<int>(std::lround(1023 - (180.0 - lon) * 1024 / 360));
    return dib->rows[y] + x * 3;
  };
  EXPECT_EQ(std::memcmp(pixelAt(map.get(), 23.4, 0.0), pixelAt(day.get(), 23.4, 0.0), 3), 0);
  EXPECT_EQ(std::memcmp(pixelAt(map.get(), 85.0, 179.0), pixelAt(day.get(), 85.0, 179.0), 3), 0);
  const uint8_t* n = pixelAt(night.get(), -23.4, 179.0);
  const uint8_t* d = pixelAt(day.get(), -23.4, 179.0);
  const uint8_t* m = pixelAt(map.get(), -23.4, 179.0);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(m[c], static_cast<uint8_t>((1.6 * n[c] + 0.4 * d[c]) / 2)) << c;
  }
}

// The Sun's elevation without refraction by a different published method: the NOAA Solar
// Calculator's equations (after Meeus), in double precision, from the Unix time.
double NoaaElevation(TimeValue t, double lat, double lon) {
  constexpr double kPi = 3.14159265358979323846;
  auto rad = [](double d) { return d * kPi / 180.0; };
  auto deg = [](double r) { return r * 180.0 / kPi; };
  const double jd = static_cast<double>(t) / 86400.0 + 2440587.5;
  const double T = (jd - 2451545.0) / 36525.0;
  const double L0 = std::fmod(280.46646 + T * (36000.76983 + T * 0.0003032), 360.0);
  const double M = 357.52911 + T * (35999.05029 - 0.0001537 * T);
  const double e = 0.016708634 - T * (0.000042037 + 0.0000001267 * T);
  const double C = std::sin(rad(M)) * (1.914602 - T * (0.004817 + 0.000014 * T)) +
                   std::sin(rad(2 * M)) * (0.019993 - 0.000101 * T) +
                   std::sin(rad(3 * M)) * 0.000289;
  const double omega = 125.04 - 1934.136 * T;
  const double lambda = L0 + C - 0.00569 - 0.00478 * std::sin(rad(omega));
  const double eps0 =
      23.0 + (26.0 + (21.448 - T * (46.815 + T * (0.00059 - T * 0.001813))) / 60.0) / 60.0;
  const double eps = eps0 + 0.00256 * std::cos(rad(omega));
  const double decl = std::asin(std::sin(rad(eps)) * std::sin(rad(lambda)));
  const double y = std::pow(std::tan(rad(eps / 2)), 2);
  const double eot =
      4 * deg(y * std::sin(2 * rad(L0)) - 2 * e * std::sin(rad(M)) +
              4 * e * y * std::sin(rad(M)) * std::cos(2 * rad(L0)) -
              0.5 * y * y * std::sin(4 * rad(L0)) - 1.25 * e * e * std::sin(2 * rad(M)));
  const double minutes = static_cast<double>(((t % 86400) + 86400) % 86400) / 60.0;
  const double ha = (minutes + eot + 4 * lon) / 4 - 180;
  const double cz =
      std::sin(rad(lat)) * std::sin(decl) + std::cos(rad(lat)) * std::cos(decl) * std::cos(rad(ha));
  return 90.0 - deg(std::acos(std::max(-1.0, std::min(1.0, cz))));
}

TEST(ApplySunShadow, DayAndNightSidesAgreeWithAnotherAlgorithm) {
  // White map, black night: the night side becomes (0.4 * 255) / 2 = 51 in every channel. The
  // twilight blend of these colours also passes through 51, at 0.53 to 0.57 degrees, so pixels
  // the other algorithm puts between -0.5 and 0.6 degrees are not judged.
  const int w = 1024;
  const int h = 512;
  const DibPtr night = DibCreate(w, h, 24);
  const DibPtr white = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) std::memset(white->rows[y], 255, static_cast<std::size_t>(w) * 3);
  for (const TimeValue t :
       {UtcFromCalendar(2024, 6, 20, 20, 51, 0), UtcFromCalendar(2024, 12, 21, 9, 20, 0),
        UtcFromCalendar(2024, 3, 20, 3, 6, 0), UtcFromCalendar(2025, 1, 1, 0, 0, 0),
        UtcFromCalendar(2050, 9, 23, 17, 45, 0), UtcFromCalendar(1960, 5, 1, 6, 0, 0)}) {
    const DibPtr map = DibCopy(white.get());
    ApplySunShadow(map.get(), night.get(), t);
    int judged = 0;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      const double lat = 90.0 - y * 180.0 / h;
      for (int x = 0; x < w; ++x) {
        const double lon = 180.0 - (w - 1 - x) * 360.0 / w;
        const double e = NoaaElevation(t, lat, lon);
        if (e >= -0.5 && e <= 0.6) continue;
        ++judged;
        const bool nightSide = map->rows[y][x * 3] == 51;
        wrong += nightSide != (e < 0);
      }
    }
    EXPECT_GT(judged, w * h * 95 / 100) << t;
    EXPECT_EQ(wrong, 0) << t;
  }
}

TEST_P(ApplySunShadowIn, FromABaseIsTheCopyThenThePass) {
  const DibPtr night = SyntheticNight(300, 150);
  const DibPtr day = SyntheticDay(300, 150);
  const ShadeGrid grid = WholeEarthGrid(300, 150);
  for (const TimeValue t : {UtcFromCalendar(2024, 6, 20, 20, 51, 0),
                            UtcFromCalendar(2051, 3, 1, 12, 0, 0)}) {  // rejected: a plain copy
    const DibPtr inPlace = DibCopy(day.get());
    ApplySunShadowOn(inPlace.get(), night.get(), t, grid);
    const DibPtr fromBase = SyntheticNight(300, 150);  // overwritten row by row
    ApplySunShadowOn(fromBase.get(), night.get(), t, grid, day.get());
    EXPECT_TRUE(SamePixels(fromBase.get(), inPlace.get())) << t;
  }
}

TEST(ApplySunShadow, MissingOrMismatchedImagesDoNothing) {
  const TimeValue t = UtcFromCalendar(2024, 6, 21, 12, 0, 0);
  const DibPtr day = SyntheticDay(64, 32);
  const DibPtr keep = DibCopy(day.get());
  const DibPtr smaller = SyntheticNight(32, 32);
  const DibPtr eightBit = DibCreate(64, 32, 8);
  for (auto* pass : {&ApplySunShadow, &ApplySunShadowPerPixel}) {
    pass(day.get(), nullptr, t);
    pass(day.get(), smaller.get(), t);
    pass(day.get(), eightBit.get(), t);
    pass(nullptr, smaller.get(), t);
    EXPECT_TRUE(SamePixels(day.get(), keep.get()));
  }
}

}  // namespace
}  // namespace meridiana
