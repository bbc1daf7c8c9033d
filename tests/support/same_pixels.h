#pragma once
// Whether two 24-bit pictures hold the same pixels: both there, of one size, row for row equal.

#include <cstddef>
#include <cstring>

#include "foundation/dib.h"

namespace meridiana::test {

inline bool SamePixels(const Dib* a, const Dib* b) {
  if (a == nullptr || b == nullptr || DibWidth(a) != DibWidth(b) || DibHeight(a) != DibHeight(b))
    return false;
  const std::size_t rowBytes = static_cast<std::size_t>(DibWidth(a)) * 3;
  for (int y = 0; y < DibHeight(a); ++y) {
    const auto row = static_cast<std::size_t>(y);
    if (std::memcmp(a->rows[row], b->rows[row], rowBytes) != 0) return false;
  }
  return true;
}

}  // namespace meridiana::test
