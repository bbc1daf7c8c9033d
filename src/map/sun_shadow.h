#pragma once
// The sun shadow: darkens the composed map towards the night image wherever the Sun, at one
// instant, is below the horizon or less than 9 degrees above it.
//
// Pixel (x, y) of a W x H map stands for latitude 90 - y * 180 / H and longitude
// 180 - (W - 1 - x) * 360 / W. Its elevation e (degrees, no refraction) comes from
// ComputeSolarPosition with the shading mask (7), the UTC calendar of the instant and timezone 0.
// Per channel, with D the composed and N the night value, in double precision and truncated to a
// byte (h = e / 9 held in single precision):
//   e < 0         D = (1.6 N + 0.4 D) / 2
//   0 < e <= 9    D = ((D h + N (1 - h)) 1.7 + 0.3 D) / 2
//   e = 0, e > 9  D unchanged
// When the solar routine rejects the instant (a year outside 1950..2050) every pixel keeps the
// elevation the freshly cleared query holds, 0, so the map is left as it is.

#include <cstdint>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"

namespace meridiana {

// The place each row and column of a shaded image stands for: the latitude of every row and the
// longitude of every column, in degrees. A pass over the whole map uses the mapping above; a
// sharp view shades only the part of the Earth it shows, at its own resolution.
struct ShadeGrid {
  std::vector<double> rowLatitude;
  std::vector<double> columnLongitude;
};
// The whole Earth on a width x height image, as described above.
ShadeGrid WholeEarthGrid(int width, int height);
// Whether the grid has one entry per row and column of the image.
bool GridFits(const ShadeGrid& grid, const Dib* image);

// Both images valid, 24-bit and of one size: what a shadow pass needs.
bool ShadowImagesMatch(const Dib* composed, const Dib* night);

// The solar query of a pass: the UTC calendar of the instant, zone 0, the shading mask.
struct SolarQuery;
SolarQuery ShadingQuery(TimeValue now);

// False when the solar routine rejects the instant, so a pass would leave the map unshaded.
bool SunShadowCanBeComputed(TimeValue now);

// The pass the program runs. Both images must be valid 24-bit images of the same size, else it
// does nothing. Gives bit for bit the pixels of ApplySunShadowPerPixel: the part of the solar
// computation that depends on the instant is done once, the latitude part once per row and the
// longitude part once per column, with the same single-precision operations in the same order.
// Near the horizon the elevation comes from a series and the blend from single precision, with
// the reference's arc cosine and double blend only where those could give another byte.
void ApplySunShadow(Dib* composed, const Dib* night, TimeValue now);
// The same pass for the places of a grid (one entry per row and column, else nothing is done).
// With `base`, an image of the same size, each row of `composed` is first made a copy of base's,
// as the pass reaches it: one trip through memory instead of a copy and then the pass.
void ApplySunShadowOn(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid,
                      const Dib* base = nullptr);

// The vectors the fast pass works in: the widest the processor has (AVX2 where present, else
// SSE2), or SSE2 alone. Both give the same bytes; tests and benchmarks run each.
enum class ShadowKernels { kWidest, kSse2 };
void UseShadowKernels(ShadowKernels kernels);

// The same pass the plain way: the whole solar computation for every pixel, bottom row first.
// Kept as the reference the fast pass is tested and measured against.
void ApplySunShadowPerPixel(Dib* composed, const Dib* night, TimeValue now);

// One pixel's blend (blue, green, red bytes) for elevation e, as tabled above.
void BlendShadowPixel(std::uint8_t* composed, const std::uint8_t* night, float elevation);

}  // namespace meridiana
