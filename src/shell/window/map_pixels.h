#pragma once
// The one place where a Dib's rows become Qt pixels for the screen.

#include <QImage>

#include "foundation/dib.h"

namespace meridiana {

// A copy of a 24-bit Dib in the screen's 32-bit format (opaque), top row first, which a pixmap
// takes without converting it again. A null image for an absent image or another depth.
QImage DibToQImage(const Dib* dib);

}  // namespace meridiana
