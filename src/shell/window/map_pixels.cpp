#include "shell/window/map_pixels.h"

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace meridiana {

QImage DibToQImage(const Dib* dib) {
  if (!DibIsValid(dib) || DibBitsPerPixel(dib) != 24) return {};
  const int width = DibWidth(dib);
  const int height = DibHeight(dib);
  if (width <= 0 || height <= 0 || dib->rows.size() != static_cast<std::size_t>(height)) return {};
  // Straight into the screen's own format, row by row in visual order whatever the Dib's storage
  // order: one pass, where a copy in Qt's byte format, flipped and then converted, took three.
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = dib->rows[static_cast<std::size_t>(y)];
    auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    int x = 0;
#ifdef __SSE2__
    // Four pixels from each 16 bytes read (so never past the row's sixth pixel from the end):
    // the read shifted by 0, 3, 6 and 9 bytes puts each pixel in a lane's low bytes.
    const __m128i colour = _mm_set1_epi32(0x00ffffff);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; x + 6 <= width; x += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * x));
      const __m128i first = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
      const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
      const __m128i pixels = _mm_unpacklo_epi64(first, second);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                       _mm_or_si128(_mm_and_si128(pixels, colour), opaque));
    }
#endif
    for (; x < width; ++x) {
      const std::uint8_t* p = in + 3 * x;
      out[x] = 0xff000000u | static_cast<std::uint32_t>(p[2]) << 16 |
               static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
  }
  return image;
}

}  // namespace meridiana
