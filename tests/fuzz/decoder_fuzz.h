#pragma once
// What every picture-decoder harness does with a decoded image.
#include <cstdint>

#include "map/image_load.h"

namespace meridiana {

// Touches the far corners so that a wrong row table shows up under the sanitizers.
inline int CheckDecoded(const DibPtr& dib) {
  if (dib) {
    const int32_t w = DibWidth(dib.get());
    const int32_t h = DibHeight(dib.get());
    volatile uint32_t sink = DibGetPixel(dib.get(), 0, 0) ^ DibGetPixel(dib.get(), w - 1, h - 1);
    (void)sink;
  }
  return 0;
}

}  // namespace meridiana
