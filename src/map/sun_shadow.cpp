#include "map/sun_shadow.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "world/solar_math.h"
#include "world/solar_position.h"

namespace meridiana {
namespace {

bool SameSize24(const Dib* a, const Dib* b) {
  return DibIsValid(a) && DibIsValid(b) && DibBitsPerPixel(a) == 24 && DibBitsPerPixel(b) == 24 &&
         DibWidth(a) == DibWidth(b) && DibHeight(a) == DibHeight(b) &&
         static_cast<int32_t>(a->rows.size()) == DibHeight(a) &&
         static_cast<int32_t>(b->rows.size()) == DibHeight(b);
}

float RowLatitude(int y, int height) {
  return static_cast<float>(90.0 - static_cast<double>(y) * 180.0 / height);
}

float ColumnLongitude(int x, int width) {
  return static_cast<float>(180.0 - static_cast<double>(width - 1 - x) * 360.0 / width);
}

// The query of one pass: the UTC calendar of the instant, zone 0, the shading mask.
SolarQuery ShadingQuery(TimeValue now) {
  const CalendarTime utc = UtcBreakdown(now);
  SolarQuery q{};
  q.functionMask = kSolarMaskShading;
  q.year = utc.year;
  q.dayOfYear = utc.yearDay + 1;
  q.month = utc.month;
  q.day = utc.day;
  q.hour = utc.hour;
  q.minute = utc.minute;
  q.second = utc.second;
  q.timezone = 0.0f;
  q.interval = 0;
  return q;
}

inline std::uint8_t NightChannel(std::uint8_t n, std::uint8_t d) {
  return static_cast<std::uint8_t>((1.6 * n + 0.4 * d) / 2);
}

inline std::uint8_t TwilightChannel(std::uint8_t d, std::uint8_t n, float h) {
  const double hd = h;
  return static_cast<std::uint8_t>(((d * hd + n * (1 - hd)) * 1.7 + d * 0.3) / 2);
}

// The night blend of every night byte with every composed byte, made with NightChannel itself.
struct NightTable {
  std::array<std::uint8_t, 256 * 256> value;  // [night * 256 + composed]
  NightTable() {
    for (int n = 0; n < 256; ++n) {
      for (int d = 0; d < 256; ++d) {
        value[n * 256 + d] =
            NightChannel(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(d));
      }
    }
  }
};

const NightTable& Night() {
  static const NightTable table;
  return table;
}

// Cosines of the zenith beyond which the band of a pixel is certain without the arc cosine:
// below kSurelyNight the zenith exceeds 90.02 degrees (e < 0), above kSurelyDay it is below 80.94
// (e > 9). Between them the elevation is computed exactly.
constexpr float kSurelyNight = -0.0004f;
constexpr float kSurelyDay = 0.1575f;

}  // namespace

void BlendShadowPixel(std::uint8_t* d, const std::uint8_t* n, float e) {
  if (e < 0.0f) {
    for (int c = 0; c < 3; ++c) d[c] = NightChannel(n[c], d[c]);
  } else if (e > 0.0f && e <= 9.0f) {
    const float h = e / 9.0f;
    for (int c = 0; c < 3; ++c) d[c] = TwilightChannel(d[c], n[c], h);
  }
}

void ApplySunShadowPerPixel(Dib* composed, const Dib* night, TimeValue now) {
  if (!SameSize24(composed, night)) return;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);
  SolarQuery q = ShadingQuery(now);
  for (int y = height - 1; y >= 0; --y) {
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];
    for (int x = 0; x < width; ++x, d += 3, n += 3) {
      q.latitude = RowLatitude(y, height);
      q.longitude = ColumnLongitude(x, width);
      ComputeSolarPosition(&q);  // a rejected input leaves the last elevation in place
      BlendShadowPixel(d, n, q.elevation);
    }
  }
}

void ApplySunShadow(Dib* composed, const Dib* night, TimeValue now) {
  using namespace solar;
  if (!SameSize24(composed, night)) return;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);

  // The instant's part. Latitude and longitude are always in range, so a rejection comes from
  // the instant and holds for every pixel: each keeps elevation 0 and stays as it is.
  SolarQuery q = ShadingQuery(now);
  if (ComputeSolarPosition(&q) != 0) return;
  const float sinDecl = SinDeg(q.declination);
  const float cosDecl = CosDeg(q.declination);

  std::vector<float> cosHourAngle(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    const float lst = LocalSiderealTime(q.greenwichSiderealTime, ColumnLongitude(x, width));
    cosHourAngle[static_cast<std::size_t>(x)] = CosDeg(HourAngle(lst, q.rightAscension));
  }
  float cosMin = 1.0f;
  float cosMax = -1.0f;
  for (const float c : cosHourAngle) {
    cosMin = std::fmin(cosMin, c);
    cosMax = std::fmax(cosMax, c);
  }

  const NightTable& table = Night();
  for (int y = height - 1; y >= 0; --y) {
    const ZenithRow row = ZenithRowFactors(sinDecl, cosDecl, RowLatitude(y, height));
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];

    // Rows wholly in daylight (polar summer) need nothing; rows wholly in night need no test.
    // The extremes of the row's cosine, padded, bound every pixel's.
    const float a = row.sinProduct + row.cosProduct * cosMin;
    const float b = row.sinProduct + row.cosProduct * cosMax;
    const float lowest = std::fmin(a, b);
    const float highest = std::fmax(a, b);
    if (lowest > kSurelyDay + 0.001f) continue;
    const bool allNight = highest < kSurelyNight - 0.001f;

    for (int x = 0; x < width; ++x, d += 3, n += 3) {
      const float k = allNight ? -1.0f : CosZenith(row, cosHourAngle[static_cast<std::size_t>(x)]);
      if (k < kSurelyNight) {
        d[0] = table.value[n[0] * 256 + d[0]];
        d[1] = table.value[n[1] * 256 + d[1]];
        d[2] = table.value[n[2] * 256 + d[2]];
      } else if (k <= kSurelyDay) {
        BlendShadowPixel(d, n, ElevationFromZenith(ZenithFromCos(k)));
      }
    }
  }
}

}  // namespace meridiana
