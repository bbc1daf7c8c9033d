#pragma once
// The vector kernels of the sun shadow's pass (sun_shadow.cpp): the night blend over runs of
// bytes, and for the band near the horizon the elevations from a series and the twilight blend
// in single precision. Each comes in SSE2, which every x86-64 has, and in AVX2, built beside it
// and chosen when the processor has AVX2; both give the same bytes.

#include <cstddef>
#include <cstdint>

#include "world/solar_math.h"

namespace meridiana {

// Pixels near the horizon get the blend the per-pixel pass gives for the elevation
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

// The kernels of a pass:
//   elevations  each pixel's elevation by the series, and its h once for each channel (NaN where
//               the series does not put the pixel clearly in the twilight band);
//   blend       each channel's twilight blend: the truncated byte, and 0xff where it is clear of
//               a whole number by kBlendSlack (0 where not);
//   night       (4 n + d) / 5 over a run of bytes, the night blend of every pair.
struct ShadowKernelSet {
  void (*elevations)(const solar::ZenithRow& row, const float* cosHourAngle, std::size_t count,
                     float* series, float* h);
  void (*blend)(const std::uint8_t* d, const std::uint8_t* n, const float* h, std::size_t count,
                std::uint8_t* blend, std::uint8_t* sure);
  void (*night)(std::uint8_t* d, const std::uint8_t* n, std::size_t bytes);
};

// The set the processor and UseShadowKernels (sun_shadow.h) choose.
const ShadowKernelSet& ShadowKernelsInUse();

}  // namespace meridiana
