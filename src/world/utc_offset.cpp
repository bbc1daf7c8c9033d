#include "world/utc_offset.h"

#include <cmath>

#include "world/zone_colour.h"

namespace meridiana {

float UtcOffsetAt(const Dib* tzImage, int x, int y) {
  if (DibBitsPerPixel(tzImage) == 24) {
    const uint8_t* p = DibPixelAddress(tzImage, x, y);
    if (!p) return 0.0f;
    return ZoneHoursOfColour(p[2], p[1], p[0]);
  }
  // An image of another depth still answers through its colour table or masks.
  DibColor colour;
  if (!DibGetColor(tzImage, x, y, &colour)) return 0.0f;
  return ZoneHoursOfColour(colour.red, colour.green, colour.blue);
}

long long OffsetSeconds(float hours) {
  if (!std::isfinite(hours)) return 0;
  return static_cast<long long>(std::trunc(static_cast<double>(hours) * 3600.0));
}

}  // namespace meridiana
