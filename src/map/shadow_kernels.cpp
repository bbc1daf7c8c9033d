#include "map/shadow_kernels.h"

#include <atomic>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
// AVX2 kernels are built beside the SSE2 ones and chosen when the processor has AVX2.
#if defined(__x86_64__) && defined(__GNUC__)
#define MERIDIANA_AVX2_KERNELS 1
#include <immintrin.h>
#endif

#include "map/sun_shadow.h"

namespace meridiana {
namespace {

// e = 90 - (pi / 2 - asin(c)) * K with K the single-precision degrees factor, as K asin(c) plus
// a constant near 0, so no large numbers cancel.
constexpr float kSeriesOffset = static_cast<float>(90.0 - 1.5707963267948966 * solar::kRadToDeg);

inline float SeriesElevation(float c) {
  const float c2 = c * c;
  const float tail =
      1.0f / 6 + c2 * (3.0f / 40 + c2 * (5.0f / 112 + c2 * (35.0f / 1152 + c2 * (63.0f / 2816))));
  return (c + c * c2 * tail) * solar::kRadToDeg + kSeriesOffset;
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

// Inline, so that the AVX2 kernel takes its tails in its own encoding: called out of line from
// AVX code it cost the whole pass a third more.
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

}  // namespace

const ShadowKernelSet& ShadowKernelsInUse() {
#ifdef MERIDIANA_AVX2_KERNELS
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && chosenKernels.load(std::memory_order_relaxed) == ShadowKernels::kWidest)
    return kAvx2Kernels;
#endif
  return kSse2Kernels;
}

void UseShadowKernels(ShadowKernels kernels) {
  chosenKernels.store(kernels, std::memory_order_relaxed);
}

}  // namespace meridiana
