#pragma once
// Operations that make new images from old ones, and writing an image as a BMP file.

#include <cstdint>

#include "foundation/dib.h"
#include "foundation/file_util.h"

namespace meridiana {

// New 24-bit image (colours used 256) of the given size, resampled by area averaging over a
// grid of bilinear samples in 16.16 fixed point. A new height of -1 keeps the aspect ratio
// (at least one row).
// Images of other depths are converted to 24 bits first. The source is left unchanged.
DibPtr DibScale(const Dib* dib, int32_t new_width, int32_t new_height);

// New image of the target depth (16, 24 or 32 bits; colours used 0) with each pixel's colour;
// null when the target equals the source's depth or is 8 bits or fewer.
DibPtr DibConvert(const Dib* dib, int bits_per_pixel);

// Writes the image as a BMP file: file header, information header, masks (bit fields only),
// colour table, pixels. The file is written whole or not at all.
bool DibSaveBmp(const Dib* dib, const char* path, FileSync sync = FileSync::kToDisk);

}  // namespace meridiana
