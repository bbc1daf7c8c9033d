#pragma once
// A made-up 24-bit picture for the benchmarks: every byte differs from its neighbours, so no pass
// meets a trivial picture. The work per pixel does not depend on what the pixels show.

#include <cstdint>

#include "foundation/dib.h"

namespace meridiana::bench {

inline DibPtr SyntheticPicture(int width, int height, int seed) {
  DibPtr dib = DibCreate(width, height, 24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = dib->rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < width * 3; ++x)
      p[x] = static_cast<std::uint8_t>((x * 31 + y * 17 + seed) & 0xff);
  }
  return dib;
}

}  // namespace meridiana::bench
