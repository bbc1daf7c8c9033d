#include "shell/window/map_pixels.h"

namespace meridiana {

QImage DibToQImage(const Dib* dib) {
  if (!DibIsValid(dib) || DibBitsPerPixel(dib) != 24) return {};
  const int width = DibWidth(dib);
  const int height = DibHeight(dib);
  const qsizetype stride = DibStride(dib);
  if (width <= 0 || height <= 0 || dib->rows.size() != static_cast<std::size_t>(height)) return {};
  // Rows lie in memory one stride apart, either top row first or, the usual case for the
  // program's images, bottom row first. Qt wants the top row first with a positive stride, so a
  // bottom-up image is wrapped as it lies and then flipped.
  const bool bottomUp =
      height > 1 && dib->rows[0] > dib->rows[static_cast<std::size_t>(height - 1)];
  const uchar* first = bottomUp ? dib->rows[static_cast<std::size_t>(height - 1)] : dib->rows[0];
  const QImage wrapped(first, width, height, stride, QImage::Format_BGR888);
  return bottomUp ? wrapped.mirrored(false, true) : wrapped.copy();
}

}  // namespace meridiana
