#pragma once
// Loading pictures from files into 24-bit bottom-up images.
//
// Every decoder yields a 24-bit, bottom-up image with colours used 256, upright at the picture's
// natural size, or null. Files are untrusted: truncated, corrupt or oversized input (more than
// kDibMaxSide pixels on a side or kDibMaxPixelBytes of pixels) gives null, never a crash.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/dib.h"

namespace meridiana {

// Pixel budgets. A picture whose header declares more pixels than its caller's budget is refused
// before any pixel is decoded, so a tiny file cannot claim gigabytes. Pictures that end up as the
// 1024 x 512 map (base images, cloud frames) never need more than kMapPictureMaxPixels; the
// general converter takes anything within the image bounds.
inline constexpr int64_t kMapPictureMaxPixels = int64_t{8192} * 4096;
inline constexpr int64_t kAnyPictureMaxPixels = int64_t{kDibMaxSide} * kDibMaxSide;

// Chooses the decoder by the path's extension, without regard to case: ".png"; ".jpg", ".jpeg";
// ".gif"; ".bmp". Any other extension, a file that cannot be read or decoded, or a picture of
// more than maxPixels pixels gives null.
DibPtr DibLoad(const char* path, int64_t maxPixels);

// The decoders, on the bytes of a whole file.
DibPtr DibDecodePng(const uint8_t* data, std::size_t size,
                    int64_t maxPixels = kAnyPictureMaxPixels);
// The same, with the picture's alpha channel as one byte per pixel, rows top to bottom, in
// *alpha; *alpha is left empty when the picture has no alpha (every pixel opaque).
DibPtr DibDecodePngWithAlpha(const uint8_t* data, std::size_t size, int64_t maxPixels,
                             std::vector<uint8_t>* alpha);
DibPtr DibDecodeJpeg(const uint8_t* data, std::size_t size,
                     int64_t maxPixels = kAnyPictureMaxPixels);
DibPtr DibDecodeGif(const uint8_t* data, std::size_t size,
                    int64_t maxPixels = kAnyPictureMaxPixels);
DibPtr DibDecodeBmp(const uint8_t* data, std::size_t size,
                    int64_t maxPixels = kAnyPictureMaxPixels);

// The image every decoder fills: 24 bits, bottom-up, colours used 256, pixels black. Null when
// the size is out of bounds or above maxPixels.
DibPtr DibCreateForDecoder(int64_t width, int64_t height, int64_t maxPixels);

}  // namespace meridiana
