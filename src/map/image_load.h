#pragma once
// Loading pictures from files into 24-bit bottom-up images.
//
// Every decoder yields a 24-bit, bottom-up image with colours used 256, upright at the picture's
// natural size, or null. Files are untrusted: truncated, corrupt or oversized input (more than
// kDibMaxSide pixels on a side or kDibMaxPixelBytes of pixels) gives null, never a crash.

#include <cstddef>
#include <cstdint>

#include "foundation/dib.h"

namespace meridiana {

// Chooses the decoder by the path's extension, without regard to case: ".png"; ".jpg", ".jpeg";
// ".gif"; ".bmp". Any other extension, or a file that cannot be read or decoded, gives null.
DibPtr DibLoad(const char* path);

// The decoders, on the bytes of a whole file.
DibPtr DibDecodePng(const uint8_t* data, std::size_t size);
DibPtr DibDecodeJpeg(const uint8_t* data, std::size_t size);
DibPtr DibDecodeGif(const uint8_t* data, std::size_t size);
DibPtr DibDecodeBmp(const uint8_t* data, std::size_t size);

// The image every decoder fills: 24 bits, bottom-up, colours used 256, pixels black. Null when
// the size is out of bounds.
DibPtr DibCreateForDecoder(int64_t width, int64_t height);

}  // namespace meridiana
