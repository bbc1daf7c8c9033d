#include "map/sun_shadow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "map/shadow_kernels.h"
#include "world/solar_math.h"
#include "world/solar_position.h"

namespace meridiana {
namespace {

float RowLatitude(int y, int height) {
  return static_cast<float>(90.0 - static_cast<double>(y) * 180.0 / height);
}

float ColumnLongitude(int x, int width) {
  return static_cast<float>(180.0 - static_cast<double>(width - 1 - x) * 360.0 / width);
}

inline std::uint8_t NightChannel(std::uint8_t n, std::uint8_t d) {
  return static_cast<std::uint8_t>((1.6 * n + 0.4 * d) / 2);
}

inline std::uint8_t TwilightChannel(std::uint8_t d, std::uint8_t n, float h) {
  const double hd = h;
  return static_cast<std::uint8_t>(((d * hd + n * (1 - hd)) * 1.7 + d * 0.3) / 2);
}

// Cosines of the zenith beyond which the band of a pixel is certain without the arc cosine:
// below kSurelyNight the zenith exceeds 90.02 degrees (e < 0), above kSurelyDay it is below 80.94
// (e > 9). Between them each pixel is shaded from its own elevation (ShadeNearChunk).
constexpr float kSurelyNight = -0.0004f;
constexpr float kSurelyDay = 0.1575f;

// A byte as a double and a byte times 0.3: the very values the twilight formula converts and
// multiplies, looked up instead of recomputed.
struct TwilightTable {
  std::array<double, 256> asDouble;
  std::array<double, 256> times03;
  TwilightTable() {
    for (int v = 0; v < 256; ++v) {
      asDouble[v] = v;
      times03[v] = v * 0.3;
    }
  }
};

const TwilightTable& Twilight() {
  static const TwilightTable table;
  return table;
}

using Doubles2 = double __attribute__((vector_size(16)));

// TwilightChannel for the three channels of a pixel, on looked-up operands, the first two side
// by side (lane by lane the same double operations).
inline void TwilightPixel(std::uint8_t* d, const std::uint8_t* n, float h, const TwilightTable& t) {
  const double hd = h;
  const double rest = 1 - hd;
  const Doubles2 dd = {t.asDouble[d[0]], t.asDouble[d[1]]};
  const Doubles2 nn = {t.asDouble[n[0]], t.asDouble[n[1]]};
  const Doubles2 d03 = {t.times03[d[0]], t.times03[d[1]]};
  const Doubles2 r = ((dd * hd + nn * rest) * 1.7 + d03) / 2;
  const double r2 = ((t.asDouble[d[2]] * hd + t.asDouble[n[2]] * rest) * 1.7 + t.times03[d[2]]) / 2;
  d[0] = static_cast<std::uint8_t>(r[0]);
  d[1] = static_cast<std::uint8_t>(r[1]);
  d[2] = static_cast<std::uint8_t>(r2);
}

inline void BlendPixel(std::uint8_t* d, const std::uint8_t* n, float e) {
  if (e < 0.0f) {
    d[0] = NightChannel(n[0], d[0]);
    d[1] = NightChannel(n[1], d[1]);
    d[2] = NightChannel(n[2], d[2]);
  } else if (e > 0.0f && e <= 9.0f) {
    const float h = e / 9.0f;
    d[0] = TwilightChannel(d[0], n[0], h);
    d[1] = TwilightChannel(d[1], n[1], h);
    d[2] = TwilightChannel(d[2], n[2], h);
  }
}

// Columns first, first + 1, ... (count of them, wrapping at the row's end) along which the hour
// angle's cosine rises or falls.
struct Arc {
  std::size_t first;
  std::size_t count;
};

// One row being shaded, and what every arc of it needs.
struct RowShading {
  const ShadowKernelSet& kernels;
  solar::ZenithRow row;
  const float* cosHourAngle;
  std::size_t columns;
  std::uint8_t* d;
  const std::uint8_t* n;
  const TwilightTable& twilight;

  float Product(const Arc& arc, std::size_t i) const {
    std::size_t x = arc.first + i;
    if (x >= columns) x -= columns;
    return row.sinProduct + row.cosProduct * cosHourAngle[x];
  }
};

// How far past a band's threshold a product must be before the search trusts its side. The
// rounding of the cosines and products is a few units of 1e-7, so a pixel the search puts in
// the night or the day is there by its own product too; pixels within the margin are computed
// exactly like the rest of the near band.
constexpr float kSearchMargin = 1e-5f;

// The first i in [0, count) for which `beyond` holds, for a predicate that holds on a suffix.
template <typename Beyond>
std::size_t FirstBeyond(std::size_t count, Beyond beyond) {
  std::size_t low = 0;
  std::size_t high = count;
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (beyond(mid)) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

// Columns [from, to) of an arc in night.
void NightColumns(const RowShading& s, const Arc& arc, std::size_t from, std::size_t to) {
  if (from >= to) return;
  std::size_t x = arc.first + from;
  if (x >= s.columns) x -= s.columns;
  const std::size_t run = to - from;
  const std::size_t head = std::min(run, s.columns - x);
  s.kernels.night(s.d + 3 * x, s.n + 3 * x, head * 3);
  if (head < run) s.kernels.night(s.d, s.n, (run - head) * 3);
}

// A pixel the series could not settle: the band by the series where it is clear, else the
// reference's own elevation and blend.
void ShadeNearPixel(const RowShading& s, std::size_t x, float series) {
  using namespace solar;
  std::uint8_t* d = s.d + 3 * x;
  const std::uint8_t* n = s.n + 3 * x;
  const float cosZenith = CosZenith(s.row, s.cosHourAngle[x]);
  const bool inSeries = cosZenith >= -kSeriesLimit && cosZenith <= kSeriesLimit;
  if (inSeries && series < -kElevationSlack) {
    s.kernels.night(d, n, 3);
    return;
  }
  if (inSeries && series > 9.0f + kElevationSlack) return;
  const float e = ElevationFromZenith(ZenithFromCos(cosZenith));
  if (e < 0.0f) {
    s.kernels.night(d, n, 3);
  } else if (e > 0.0f && e <= 9.0f) {
    TwilightPixel(d, n, e / 9.0f, s.twilight);
  }
}

constexpr std::size_t kNearChunk = 64;

// Up to kNearChunk pixels of a row from column `first`: elevations by the series, then the
// blend of every channel, then each pixel written where the series and its three blends are
// sure, else shaded alone.
void ShadeNearChunk(const RowShading& s, std::size_t first, std::size_t count) {
  float series[kNearChunk];
  float h[3 * kNearChunk];
  s.kernels.elevations(s.row, s.cosHourAngle + first, count, series, h);
  std::uint8_t* d = s.d + 3 * first;
  std::uint8_t blend[3 * kNearChunk];
  std::uint8_t sure[3 * kNearChunk];
  s.kernels.blend(d, s.n + 3 * first, h, 3 * count, blend, sure);
  std::uint8_t before[3 * kNearChunk];
  std::memcpy(before, d, 3 * count);
  std::memcpy(d, blend, 3 * count);
  std::size_t p = 0;
  while (p < count) {
#ifdef __SSE2__
    // Sixteen pixels whose 48 channels are all sure need no look each.
    if (p + 16 <= count) {
      const auto* group = reinterpret_cast<const __m128i*>(sure + 3 * p);
      const __m128i all =
          _mm_and_si128(_mm_and_si128(_mm_loadu_si128(group), _mm_loadu_si128(group + 1)),
                        _mm_loadu_si128(group + 2));
      if (_mm_movemask_epi8(all) == 0xffff) {
        p += 16;
        continue;
      }
    }
#endif
    if ((sure[3 * p] & sure[3 * p + 1] & sure[3 * p + 2]) == 0) {
      std::memcpy(d + 3 * p, before + 3 * p, 3);
      ShadeNearPixel(s, first + p, series[p]);
    }
    ++p;
  }
}

// Columns [from, to) of an arc, each from its own elevation.
void NearColumns(const RowShading& s, const Arc& arc, std::size_t from, std::size_t to) {
  if (from >= to) return;
  std::size_t x = arc.first + from;
  if (x >= s.columns) x -= s.columns;
  std::size_t run = to - from;
  while (run > 0) {
    const std::size_t end = std::min(s.columns, x + run);
    for (std::size_t i = x; i < end; i += kNearChunk)
      ShadeNearChunk(s, i, std::min(kNearChunk, end - i));
    run -= end - x;
    x = 0;
  }
}

// A rising arc runs night, near, day; a falling one day, near, night.
void ShadeArc(const RowShading& s, const Arc& arc, bool rising) {
  const auto night = [&](std::size_t i) {
    return s.Product(arc, i) < kSurelyNight - kSearchMargin;
  };
  const auto day = [&](std::size_t i) { return s.Product(arc, i) > kSurelyDay + kSearchMargin; };
  if (rising) {
    const std::size_t nightEnd = FirstBeyond(arc.count, [&](std::size_t i) { return !night(i); });
    const std::size_t dayStart = std::max(nightEnd, FirstBeyond(arc.count, day));
    NightColumns(s, arc, 0, nightEnd);
    NearColumns(s, arc, nightEnd, dayStart);
  } else {
    const std::size_t dayEnd = FirstBeyond(arc.count, [&](std::size_t i) { return !day(i); });
    const std::size_t nightStart = std::max(dayEnd, FirstBeyond(arc.count, night));
    NearColumns(s, arc, dayEnd, nightStart);
    NightColumns(s, arc, nightStart, arc.count);
  }
}
}  // namespace

ShadeGrid WholeEarthGrid(int width, int height) {
  ShadeGrid grid;
  grid.rowLatitude.resize(static_cast<std::size_t>(std::max(0, height)));
  grid.columnLongitude.resize(static_cast<std::size_t>(std::max(0, width)));
  for (int y = 0; y < height; ++y)
    grid.rowLatitude[static_cast<std::size_t>(y)] = 90.0 - static_cast<double>(y) * 180.0 / height;
  for (int x = 0; x < width; ++x)
    grid.columnLongitude[static_cast<std::size_t>(x)] =
        180.0 - static_cast<double>(width - 1 - x) * 360.0 / width;
  return grid;
}

bool GridFits(const ShadeGrid& grid, const Dib* image) {
  return DibIsValid(image) &&
         grid.rowLatitude.size() == static_cast<std::size_t>(DibHeight(image)) &&
         grid.columnLongitude.size() == static_cast<std::size_t>(DibWidth(image));
}

bool ShadowImagesMatch(const Dib* a, const Dib* b) {
  return DibIsValid(a) && DibIsValid(b) && DibBitsPerPixel(a) == 24 && DibBitsPerPixel(b) == 24 &&
         DibWidth(a) == DibWidth(b) && DibHeight(a) == DibHeight(b) &&
         static_cast<int32_t>(a->rows.size()) == DibHeight(a) &&
         static_cast<int32_t>(b->rows.size()) == DibHeight(b);
}

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

bool SunShadowCanBeComputed(TimeValue now) {
  SolarQuery q = ShadingQuery(now);
  return ComputeSolarPosition(&q) == 0;
}

void BlendShadowPixel(std::uint8_t* d, const std::uint8_t* n, float e) { BlendPixel(d, n, e); }

void ApplySunShadowPerPixel(Dib* composed, const Dib* night, TimeValue now) {
  if (!ShadowImagesMatch(composed, night)) return;
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
  if (!ShadowImagesMatch(composed, night)) return;
  ApplySunShadowOn(composed, night, now, WholeEarthGrid(DibWidth(composed), DibHeight(composed)));
}

void ApplySunShadowOn(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid,
                      const Dib* base) {
  using namespace solar;
  if (!ShadowImagesMatch(composed, night) || !GridFits(grid, composed)) return;
  if (base != nullptr && !ShadowImagesMatch(composed, base)) return;
  const int width = DibWidth(composed);
  const int height = DibHeight(composed);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  const auto copyRow = [&](int y) {
    if (base != nullptr) std::memcpy(composed->rows[y], base->rows[y], rowBytes);
  };

  // The instant's part. Latitude and longitude are always in range, so a rejection comes from
  // the instant and holds for every pixel: each keeps elevation 0 and stays as it is.
  SolarQuery q = ShadingQuery(now);
  if (ComputeSolarPosition(&q) != 0) {
    for (int y = 0; y < height; ++y) copyRow(y);
    return;
  }
  const float sinDecl = SinDeg(q.declination);
  const float cosDecl = CosDeg(q.declination);

  std::vector<float> cosHourAngle(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    const float lst =
        LocalSiderealTime(q.greenwichSiderealTime,
                          static_cast<float>(grid.columnLongitude[static_cast<std::size_t>(x)]));
    cosHourAngle[static_cast<std::size_t>(x)] = CosDeg(HourAngle(lst, q.rightAscension));
  }
  const auto [minIt, maxIt] = std::minmax_element(cosHourAngle.begin(), cosHourAngle.end());
  const float cosMin = *minIt;
  const float cosMax = *maxIt;

  const TwilightTable& twilight = Twilight();
  const ShadowKernelSet& kernels = ShadowKernelsInUse();
  const std::size_t columns = static_cast<std::size_t>(width);
  // From the column of the lowest cosine onwards to the highest the cosines rise, and from the
  // highest onwards back to the lowest they fall (up to rounding, which the margins absorb).
  const auto lowest = static_cast<std::size_t>(
      std::min_element(cosHourAngle.begin(), cosHourAngle.end()) - cosHourAngle.begin());
  const auto highest = static_cast<std::size_t>(
      std::max_element(cosHourAngle.begin(), cosHourAngle.end()) - cosHourAngle.begin());
  const Arc rising{lowest, (highest + columns - lowest) % columns};
  const Arc falling{highest, columns - rising.count};
  for (int y = height - 1; y >= 0; --y) {
    copyRow(y);
    const ZenithRow row = ZenithRowFactors(
        sinDecl, cosDecl, static_cast<float>(grid.rowLatitude[static_cast<std::size_t>(y)]));
    std::uint8_t* d = composed->rows[y];
    const std::uint8_t* n = night->rows[y];

    // The extremes of the row's cosine bound every pixel's (the products are monotonic in the
    // hour angle's cosine): rows wholly in daylight (polar summer) need nothing, rows wholly
    // in the night no test.
    const float a = row.sinProduct + row.cosProduct * cosMin;
    const float b = row.sinProduct + row.cosProduct * cosMax;
    if (std::fmin(a, b) > kSurelyDay) continue;
    if (std::fmax(a, b) < kSurelyNight) {
      kernels.night(d, n, static_cast<std::size_t>(width) * 3);
      continue;
    }

    const RowShading shading{kernels, row, cosHourAngle.data(), columns, d, n, twilight};
    ShadeArc(shading, rising, true);
    ShadeArc(shading, falling, false);
  }
}

}  // namespace meridiana
