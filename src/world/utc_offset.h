#pragma once
// The standard offset of a place, read from the colour of the time-zone image under it.

#include "foundation/dib.h"

namespace meridiana {

// Hours east of UTC for the pixel (x, y) of the time-zone image (base-map coordinates, row 0 at
// the top). 0 when the image is not loaded, the pixel lies outside it or its colour is not one of
// the zone colours.
float UtcOffsetAt(const Dib* tzImage, int x, int y);

// Offset hours as seconds, truncated toward zero (5.75 h is 20700 s, -3.5 h is -12600 s).
long long OffsetSeconds(float hours);

}  // namespace meridiana
