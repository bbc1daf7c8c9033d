#include "map/sun_shadow.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
// AVX2 kernels are built beside the SSE2 ones and chosen when the processor has AVX2.
#if defined(__x86_64__) && defined(__GNUC__)
#define MERIDIANA_AVX2_KERNELS 1
#include <immintrin.h>
#endif

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

// Night over a run of bytes. In integers, (1.6 n + 0.4 d) / 2 is (4 n + d) / 5; the double
// computation lands on the same whole number for all 65,536 byte pairs (the tests check every
// pair against the per-pixel pass), and the integer form vectorises.
// Written with the compiler's vector types so that it is vectorised at every optimisation level,
// not only where the auto-vectoriser is at its most eager.
using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Words8 = std::uint16_t __attribute__((vector_size(16)));
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

inline void NightRun(std::uint8_t* __restrict d, const std::uint8_t* __restrict n,
                     std::size_t bytes) {
  std::size_t i = 0;
#ifdef __SSE2__
  // Sixteen bytes at a time in SSE2, which every x86-64 has: the compiler's lowering of a
  // sixteen-lane vector of 16-bit words is slower than the eight-lane one below. (x * 0xCCCD)
  // >> 18 is x / 5 for every 16-bit x.
  const __m128i zero = _mm_setzero_si128();
  const __m128i fifth = _mm_set1_epi16(static_cast<short>(0xCCCD));
  for (; i + 16 <= bytes; i += 16) {
    const __m128i nb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + i));
    const __m128i db = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i low =
        _mm_add_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(nb, zero), 2), _mm_unpacklo_epi8(db, zero));
    const __m128i high =
        _mm_add_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(nb, zero), 2), _mm_unpackhi_epi8(db, zero));
    const __m128i lowFifth = _mm_srli_epi16(_mm_mulhi_epu16(low, fifth), 2);
    const __m128i highFifth = _mm_srli_epi16(_mm_mulhi_epu16(high, fifth), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lowFifth, highFifth));
  }
#endif
  for (; i + 8 <= bytes; i += 8) {
    Bytes8 nb;
    Bytes8 db;
    std::memcpy(&nb, n + i, 8);
    std::memcpy(&db, d + i, 8);
    const Words8 nw = __builtin_convertvector(nb, Words8);
    const Words8 dw = __builtin_convertvector(db, Words8);
    const Bytes8 out = __builtin_convertvector((nw * 4 + dw) / 5, Bytes8);
    std::memcpy(d + i, &out, 8);
  }
  for (; i < bytes; ++i) d[i] = static_cast<std::uint8_t>((4u * n[i] + d[i]) / 5u);
}

#ifdef MERIDIANA_AVX2_KERNELS
// NightRun 32 bytes at a time. The unpacks and the pack work within each 128-bit half, so the
// bytes come back in their places.
__attribute__((target("avx2"))) void NightRunWide(std::uint8_t* __restrict d,
                                                  const std::uint8_t* __restrict n,
                                                  std::size_t bytes) {
  std::size_t i = 0;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i fifth = _mm256_set1_epi16(static_cast<short>(0xCCCD));
  for (; i + 32 <= bytes; i += 32) {
    const __m256i nb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + i));
    const __m256i db = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i low = _mm256_add_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(nb, zero), 2),
                                         _mm256_unpacklo_epi8(db, zero));
    const __m256i high = _mm256_add_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(nb, zero), 2),
                                          _mm256_unpackhi_epi8(db, zero));
    const __m256i lowFifth = _mm256_srli_epi16(_mm256_mulhi_epu16(low, fifth), 2);
    const __m256i highFifth = _mm256_srli_epi16(_mm256_mulhi_epu16(high, fifth), 2);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_packus_epi16(lowFifth, highFifth));
  }
  NightRun(d + i, n + i, bytes - i);
}
#endif

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

// The vector kernels of a pass: SSE2, which every x86-64 has, or AVX2 where the processor has it.
// Each set gives the same bytes.
struct ShadowKernelSet {
  void (*elevations)(const solar::ZenithRow& row, const float* cosHourAngle, std::size_t count,
                     float* series, float* h);
  void (*blend)(const std::uint8_t* d, const std::uint8_t* n, const float* h, std::size_t count,
                std::uint8_t* blend, std::uint8_t* sure);
  void (*night)(std::uint8_t* d, const std::uint8_t* n, std::size_t bytes);
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

// Pixels near the horizon get the blend BlendPixel gives for the elevation
// ElevationFromZenith(ZenithFromCos(c)) of their zenith's cosine c, reached without the arc
// cosine where that is safe. acos(c) is pi / 2 - asin(c), and asin's series to c^11, evaluated
// in single precision, is within 1.5e-6 degrees for |c| <= 0.2. The single-precision path of the
// reference lands within 3.2e-5 degrees of the true elevation (its arc cosine within 4 units in
// the last place, its products rounded), so an elevation further than kElevationSlack from 0
// and 9 is in the same band on both paths. Inside the twilight band h then differs by less than
// 3.9e-6, and each channel's blend, at most 0.85 * 255 * dh plus 1e-4 of single-precision
// rounding, by less than 1e-3: a blend further than kBlendSlack from a whole number truncates to
// the same byte. Anything closer is computed the reference's way (about one pixel in a hundred).
constexpr float kSeriesLimit = 0.2f;
constexpr float kElevationSlack = 1e-4f;
constexpr float kBlendSlack = 2e-3f;
// e = 90 - (pi / 2 - asin(c)) * K with K the single-precision degrees factor, as K asin(c) plus
// a constant near 0, so no large numbers cancel.
constexpr float kSeriesOffset = static_cast<float>(90.0 - 1.5707963267948966 * solar::kRadToDeg);

inline float SeriesElevation(float c) {
  const float c2 = c * c;
  const float tail =
      1.0f / 6 + c2 * (3.0f / 40 + c2 * (5.0f / 112 + c2 * (35.0f / 1152 + c2 * (63.0f / 2816))));
  return (c + c * c2 * tail) * solar::kRadToDeg + kSeriesOffset;
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
    NightRun(d, n, 3);
    return;
  }
  if (inSeries && series > 9.0f + kElevationSlack) return;
  const float e = ElevationFromZenith(ZenithFromCos(cosZenith));
  if (e < 0.0f) {
    NightRun(d, n, 3);
  } else if (e > 0.0f && e <= 9.0f) {
    TwilightPixel(d, n, e / 9.0f, s.twilight);
  }
}

// The twilight blend of `count` channels in single precision, each channel with its own h:
// the truncated byte, and whether it is clear of a whole number (0xff) or not (0).
void SeriesBlend(const std::uint8_t* d, const std::uint8_t* n, const float* h, std::size_t count,
                 std::uint8_t* blend, std::uint8_t* sure) {
  std::size_t j = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 dayShare = _mm_set1_ps(0.85f);
  const __m128 keptShare = _mm_set1_ps(0.15f);
  const __m128 low = _mm_set1_ps(kBlendSlack);
  const __m128 high = _mm_set1_ps(1.0f - kBlendSlack);
  const auto quarter = [](__m128i words, __m128i zero, bool upper) {
    return _mm_cvtepi32_ps(upper ? _mm_unpackhi_epi16(words, zero)
                                 : _mm_unpacklo_epi16(words, zero));
  };
  for (; j + 16 <= count; j += 16) {
    const __m128i db = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
    const __m128i nb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + j));
    const __m128i dWords[2] = {_mm_unpacklo_epi8(db, zero), _mm_unpackhi_epi8(db, zero)};
    const __m128i nWords[2] = {_mm_unpacklo_epi8(nb, zero), _mm_unpackhi_epi8(nb, zero)};
    __m128i whole[4];
    __m128i clear[4];
    for (int q = 0; q < 4; ++q) {
      const __m128 df = quarter(dWords[q / 2], zero, q % 2 != 0);
      const __m128 nf = quarter(nWords[q / 2], zero, q % 2 != 0);
      const __m128 hq = _mm_loadu_ps(h + j + 4 * q);
      const __m128 mixed = _mm_add_ps(_mm_mul_ps(df, hq), _mm_mul_ps(nf, _mm_sub_ps(one, hq)));
      const __m128 x = _mm_add_ps(_mm_mul_ps(mixed, dayShare), _mm_mul_ps(df, keptShare));
      whole[q] = _mm_cvttps_epi32(x);
      const __m128 fraction = _mm_sub_ps(x, _mm_cvtepi32_ps(whole[q]));
      clear[q] =
          _mm_castps_si128(_mm_and_ps(_mm_cmpgt_ps(fraction, low), _mm_cmplt_ps(fraction, high)));
    }
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(blend + j),
        _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]), _mm_packs_epi32(whole[2], whole[3])));
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(sure + j),
        _mm_packs_epi16(_mm_packs_epi32(clear[0], clear[1]), _mm_packs_epi32(clear[2], clear[3])));
  }
#endif
  for (; j < count; ++j) {
    const float dj = d[j];
    const float x = (dj * h[j] + static_cast<float>(n[j]) * (1.0f - h[j])) * 0.85f + dj * 0.15f;
    const std::int32_t whole = static_cast<std::int32_t>(x);
    const float fraction = x - static_cast<float>(whole);
    blend[j] = static_cast<std::uint8_t>(whole);
    sure[j] = fraction > kBlendSlack && fraction < 1.0f - kBlendSlack ? 0xff : 0;
  }
}

constexpr std::size_t kNearChunk = 64;

// Each pixel's elevation by the series, and its h three times over (once for each channel); NaN
// where the series does not put the pixel clearly in the twilight band, which no channel's blend
// is sure of.
void SeriesElevations(const solar::ZenithRow& row, const float* cosHourAngle, std::size_t count,
                      float* series, float* h) {
  const float unsure = std::numeric_limits<float>::quiet_NaN();
  std::size_t i = 0;
#ifdef __SSE2__
  // The loop below four pixels at a time (the compiler leaves it scalar, for its comparisons).
  const __m128 sinProduct = _mm_set1_ps(row.sinProduct);
  const __m128 cosProduct = _mm_set1_ps(row.cosProduct);
  const __m128 lowest = _mm_set1_ps(-kSeriesLimit);
  const __m128 highest = _mm_set1_ps(kSeriesLimit);
  const __m128 above = _mm_set1_ps(kElevationSlack);
  const __m128 below = _mm_set1_ps(9.0f - kElevationSlack);
  const __m128 ninth = _mm_set1_ps(1.0f / 9);  // a product, not a slow division: within the slack
  const __m128 nan = _mm_set1_ps(unsure);
  for (; i + 4 <= count; i += 4) {
    const __m128 c = _mm_add_ps(sinProduct, _mm_mul_ps(cosProduct, _mm_loadu_ps(cosHourAngle + i)));
    const __m128 c2 = _mm_mul_ps(c, c);
    __m128 tail = _mm_set1_ps(63.0f / 2816);
    for (const float k : {35.0f / 1152, 5.0f / 112, 3.0f / 40, 1.0f / 6})
      tail = _mm_add_ps(_mm_set1_ps(k), _mm_mul_ps(c2, tail));
    const __m128 e = _mm_add_ps(_mm_mul_ps(_mm_add_ps(c, _mm_mul_ps(_mm_mul_ps(c, c2), tail)),
                                           _mm_set1_ps(solar::kRadToDeg)),
                                _mm_set1_ps(kSeriesOffset));
    _mm_storeu_ps(series + i, e);
    const __m128 twilight =
        _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(c, lowest), _mm_cmple_ps(c, highest)),
                   _mm_and_ps(_mm_cmpgt_ps(e, above), _mm_cmplt_ps(e, below)));
    const __m128 v =
        _mm_or_ps(_mm_and_ps(twilight, _mm_mul_ps(e, ninth)), _mm_andnot_ps(twilight, nan));
    _mm_storeu_ps(h + 3 * i, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 0, 0)));
    _mm_storeu_ps(h + 3 * i + 4, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 1, 1)));
    _mm_storeu_ps(h + 3 * i + 8, _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 2)));
  }
#endif
  for (; i < count; ++i) {
    const float c = row.sinProduct + row.cosProduct * cosHourAngle[i];
    const float e = SeriesElevation(c);
    series[i] = e;
    const bool twilight = c >= -kSeriesLimit && c <= kSeriesLimit && e > kElevationSlack &&
                          e < 9.0f - kElevationSlack;
    h[3 * i] = h[3 * i + 1] = h[3 * i + 2] = twilight ? e / 9.0f : unsure;
  }
}

#ifdef MERIDIANA_AVX2_KERNELS
// SeriesElevations eight pixels at a time; each half of the eight is spread over the channels as
// there.
__attribute__((target("avx2"))) void SeriesElevationsWide(const solar::ZenithRow& row,
                                                          const float* cosHourAngle,
                                                          std::size_t count, float* series,
                                                          float* h) {
  std::size_t i = 0;
  const __m256 sinProduct = _mm256_set1_ps(row.sinProduct);
  const __m256 cosProduct = _mm256_set1_ps(row.cosProduct);
  const __m256 lowest = _mm256_set1_ps(-kSeriesLimit);
  const __m256 highest = _mm256_set1_ps(kSeriesLimit);
  const __m256 above = _mm256_set1_ps(kElevationSlack);
  const __m256 below = _mm256_set1_ps(9.0f - kElevationSlack);
  const __m256 ninth = _mm256_set1_ps(1.0f / 9);
  const __m256 nan = _mm256_set1_ps(std::numeric_limits<float>::quiet_NaN());
  for (; i + 8 <= count; i += 8) {
    const __m256 c =
        _mm256_add_ps(sinProduct, _mm256_mul_ps(cosProduct, _mm256_loadu_ps(cosHourAngle + i)));
    const __m256 c2 = _mm256_mul_ps(c, c);
    __m256 tail = _mm256_set1_ps(63.0f / 2816);
    for (const float k : {35.0f / 1152, 5.0f / 112, 3.0f / 40, 1.0f / 6})
      tail = _mm256_add_ps(_mm256_set1_ps(k), _mm256_mul_ps(c2, tail));
    const __m256 e =
        _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(c, _mm256_mul_ps(_mm256_mul_ps(c, c2), tail)),
                                    _mm256_set1_ps(solar::kRadToDeg)),
                      _mm256_set1_ps(kSeriesOffset));
    _mm256_storeu_ps(series + i, e);
    const __m256 twilight = _mm256_and_ps(
        _mm256_and_ps(_mm256_cmp_ps(c, lowest, _CMP_GE_OQ), _mm256_cmp_ps(c, highest, _CMP_LE_OQ)),
        _mm256_and_ps(_mm256_cmp_ps(e, above, _CMP_GT_OQ), _mm256_cmp_ps(e, below, _CMP_LT_OQ)));
    const __m256 v = _mm256_blendv_ps(nan, _mm256_mul_ps(e, ninth), twilight);
    for (int half = 0; half < 2; ++half) {
      const __m128 q = half == 0 ? _mm256_castps256_ps128(v) : _mm256_extractf128_ps(v, 1);
      float* out = h + 3 * (i + 4 * half);
      _mm_storeu_ps(out, _mm_shuffle_ps(q, q, _MM_SHUFFLE(1, 0, 0, 0)));
      _mm_storeu_ps(out + 4, _mm_shuffle_ps(q, q, _MM_SHUFFLE(2, 2, 1, 1)));
      _mm_storeu_ps(out + 8, _mm_shuffle_ps(q, q, _MM_SHUFFLE(3, 3, 3, 2)));
    }
  }
  SeriesElevations(row, cosHourAngle + i, count - i, series + i, h + 3 * i);
}

// Eight bytes as eight floats.
__attribute__((target("avx2"))) inline __m256 BytesAsFloats(const std::uint8_t* bytes) {
  return _mm256_cvtepi32_ps(
      _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes))));
}

// SeriesBlend 32 channels at a time. The packs work within each 128-bit half; the final
// permutation puts the four groups of eight back in order.
__attribute__((target("avx2"))) void SeriesBlendWide(const std::uint8_t* d, const std::uint8_t* n,
                                                     const float* h, std::size_t count,
                                                     std::uint8_t* blend, std::uint8_t* sure) {
  std::size_t j = 0;
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 dayShare = _mm256_set1_ps(0.85f);
  const __m256 keptShare = _mm256_set1_ps(0.15f);
  const __m256 low = _mm256_set1_ps(kBlendSlack);
  const __m256 high = _mm256_set1_ps(1.0f - kBlendSlack);
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  for (; j + 32 <= count; j += 32) {
    __m256i whole[4];
    __m256i clear[4];
    for (int q = 0; q < 4; ++q) {
      const __m256 df = BytesAsFloats(d + j + 8 * q);
      const __m256 nf = BytesAsFloats(n + j + 8 * q);
      const __m256 hq = _mm256_loadu_ps(h + j + 8 * q);
      const __m256 mixed =
          _mm256_add_ps(_mm256_mul_ps(df, hq), _mm256_mul_ps(nf, _mm256_sub_ps(one, hq)));
      const __m256 x = _mm256_add_ps(_mm256_mul_ps(mixed, dayShare), _mm256_mul_ps(df, keptShare));
      whole[q] = _mm256_cvttps_epi32(x);
      const __m256 fraction = _mm256_sub_ps(x, _mm256_cvtepi32_ps(whole[q]));
      clear[q] = _mm256_castps_si256(_mm256_and_ps(_mm256_cmp_ps(fraction, low, _CMP_GT_OQ),
                                                   _mm256_cmp_ps(fraction, high, _CMP_LT_OQ)));
    }
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(whole[0], whole[1]),
                                              _mm256_packs_epi32(whole[2], whole[3]));
    const __m256i marks = _mm256_packs_epi16(_mm256_packs_epi32(clear[0], clear[1]),
                                             _mm256_packs_epi32(clear[2], clear[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(blend + j),
                        _mm256_permutevar8x32_epi32(bytes, order));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sure + j),
                        _mm256_permutevar8x32_epi32(marks, order));
  }
  SeriesBlend(d + j, n + j, h + j, count - j, blend + j, sure + j);
}
#endif

constexpr ShadowKernelSet kSse2Kernels{SeriesElevations, SeriesBlend, NightRun};
#ifdef MERIDIANA_AVX2_KERNELS
constexpr ShadowKernelSet kAvx2Kernels{SeriesElevationsWide, SeriesBlendWide, NightRunWide};
#endif

// Atomic because passes may run on other threads (the sharp view's) while a test switches.
std::atomic<ShadowKernels> chosenKernels{ShadowKernels::kWidest};

const ShadowKernelSet& Kernels() {
#ifdef MERIDIANA_AVX2_KERNELS
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && chosenKernels.load(std::memory_order_relaxed) == ShadowKernels::kWidest)
    return kAvx2Kernels;
#endif
  return kSse2Kernels;
}

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

void UseShadowKernels(ShadowKernels kernels) {
  chosenKernels.store(kernels, std::memory_order_relaxed);
}

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
  const ShadowKernelSet& kernels = Kernels();
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
