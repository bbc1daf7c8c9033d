#pragma once
// Writing 24-bit images as baseline JPEG (libjpeg-turbo), for the cloud frames the service sends.

#include <string>

#include "foundation/dib.h"

namespace meridiana {

// The JPEG bytes of a 24-bit image (YCbCr, 4:2:0, optimised Huffman tables, no metadata),
// appended to *out. Quality is libjpeg's scale, 1 to 100. False for an absent image, another
// depth, a quality out of range or a library error; *out is then left as it was.
bool EncodeJpeg(const Dib* dib, int quality, std::string* out);

}  // namespace meridiana
