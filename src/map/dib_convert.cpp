#include "map/dib_ops.h"

namespace meridiana {

DibPtr DibConvert(const Dib* dib, int bits_per_pixel) {
  if (!DibIsValid(dib) || bits_per_pixel == DibBitsPerPixel(dib)) return nullptr;
  // Reducing to a palette is never needed by the map; only the direct-colour depths are made.
  if (bits_per_pixel != 16 && bits_per_pixel != 24 && bits_per_pixel != 32) return nullptr;
  const int32_t width = DibWidth(dib);
  const int32_t height = DibHeight(dib);
  DibPtr target = DibCreate(width, height, bits_per_pixel, 0);
  if (!target) return nullptr;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      DibColor color;
      if (DibGetColor(dib, x, y, &color)) DibSetColor(target.get(), x, y, color);
    }
  }
  return target;
}

}  // namespace meridiana
