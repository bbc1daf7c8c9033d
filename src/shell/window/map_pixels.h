#pragma once
// The one place where a Dib's rows become Qt pixels for the screen.

#include <QImage>

#include "foundation/dib.h"

namespace meridiana {

// A top-down copy of a 24-bit Dib in Qt's blue-green-red byte format, made from whole rows (no
// per-pixel calls). A null image for an absent image or another depth.
QImage DibToQImage(const Dib* dib);

}  // namespace meridiana
