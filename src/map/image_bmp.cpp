// BMP pictures, read by hand: 1, 4 and 8 bits with a colour table (uncompressed, or RLE8 and
// RLE4 run-length coded), 16 and 32 bits with or without bit fields, and 24 bits; rows stored
// bottom-up or top-down.

#include <algorithm>
#include <cstring>
#include <utility>

#include "map/image_load.h"

namespace meridiana {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // the old header with 16-bit sizes and 3-byte colours
constexpr uint32_t kMaxHeaderBytes = 124;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

struct BmpLayout {
  int64_t width = 0;
  int64_t height = 0;  // always positive
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kDibRgb;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  DibColor palette[256] = {};
  std::size_t pixel_offset = 0;
};

// One bit-field channel: where it sits and how wide it is; widened to 8 bits by repeating its
// bits, so that a full field is 255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;

  static bool Make(uint32_t mask, Channel* channel) {
    channel->mask = mask;
    channel->shift = 0;
    channel->width = 0;
    if (mask == 0) return true;
    while (((mask >> channel->shift) & 1u) == 0) ++channel->shift;
    const uint32_t field = mask >> channel->shift;
    while (channel->width < 32 && ((field >> channel->width) & 1u) != 0) ++channel->width;
    // Bits above the run make no sense in a channel.
    return channel->width == 32 || (field >> channel->width) == 0;
  }

  uint8_t Get(uint32_t pixel) const {
    if (width == 0) return 0;
    const uint32_t value = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<uint8_t>(value >> (width - 8));
    uint32_t out = 0;
    for (int position = 8 - width;; position -= width) {
      out |= position >= 0 ? value << position : value >> -position;
      if (position <= 0) break;
    }
    return static_cast<uint8_t>(out);
  }
};

bool ReadLayout(const uint8_t* data, std::size_t size, BmpLayout* layout) {
  if (size < kFileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M') return false;
  layout->pixel_offset = U32(data + 10);
  const uint32_t header_bytes = U32(data + kFileHeaderBytes);
  const uint8_t* h = data + kFileHeaderBytes;
  if (header_bytes != kCoreHeaderBytes && (header_bytes < 40 || header_bytes > kMaxHeaderBytes))
    return false;
  if (size - kFileHeaderBytes < header_bytes) return false;
  std::size_t palette_offset = kFileHeaderBytes + header_bytes;
  std::size_t palette_entry_bytes = 4;
  uint32_t colors_used = 0;
  if (header_bytes == kCoreHeaderBytes) {
    layout->width = U16(h + 4);
    layout->height = U16(h + 6);
    layout->bits = U16(h + 10);
    palette_entry_bytes = 3;
  } else {
    layout->width = static_cast<int32_t>(U32(h + 4));
    const int64_t height = static_cast<int32_t>(U32(h + 8));
    layout->top_down = height < 0;
    layout->height = height < 0 ? -height : height;
    layout->bits = U16(h + 14);
    layout->compression = U32(h + 16);
    colors_used = U32(h + 32);
  }
  if (layout->width <= 0 || layout->height <= 0) return false;
  switch (layout->compression) {
    case kDibRgb:
      if (layout->bits != 1 && layout->bits != 4 && layout->bits != 8 && layout->bits != 16 &&
          layout->bits != 24 && layout->bits != 32)
        return false;
      break;
    case kDibRle8:
    case kDibRle4:
      // Run-length coded rows are always stored bottom-up.
      if (layout->bits != (layout->compression == kDibRle8 ? 8 : 4) || layout->top_down)
        return false;
      break;
    case kDibBitfields: {
      if (layout->bits != 16 && layout->bits != 32) return false;
      // The masks follow a 40-byte header, or sit inside a longer one at the same place.
      const std::size_t masks_at = kFileHeaderBytes + 40;
      if (size < masks_at + 12) return false;
      for (int c = 0; c < 3; ++c) layout->masks[c] = U32(data + masks_at + 4 * c);
      if (header_bytes == 40) palette_offset += 12;
      break;
    }
    default:
      return false;  // embedded JPEG or PNG, or an unknown coding
  }
  if (layout->compression == kDibRgb && layout->bits == 16) {
    layout->masks[0] = 0x7C00;
    layout->masks[1] = 0x03E0;
    layout->masks[2] = 0x001F;
  }
  if (layout->bits <= 8) {
    // Entries the file leaves out (or cannot have) stay black; indices never reach past 255.
    std::size_t count = colors_used != 0 ? colors_used : std::size_t{1} << layout->bits;
    count = std::min<std::size_t>(count, 256);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = palette_offset + i * palette_entry_bytes;
      if (at + 3 > size) break;
      layout->palette[i] = DibColor{data[at], data[at + 1], data[at + 2], 0};
    }
  }
  return layout->pixel_offset <= size;
}

void PutIndex(const BmpLayout& layout, uint8_t* row, int64_t x, unsigned index) {
  const DibColor& c = layout.palette[index & 0xFF];
  uint8_t* p = row + 3 * x;
  p[0] = c.blue;
  p[1] = c.green;
  p[2] = c.red;
}

bool DecodeUncompressed(const uint8_t* data, std::size_t size, const BmpLayout& layout, Dib* dib) {
  const std::size_t stride = static_cast<std::size_t>(((layout.bits * layout.width + 31) / 32) * 4);
  const std::size_t height = static_cast<std::size_t>(layout.height);
  if (size - layout.pixel_offset < stride * height) return false;  // cut off
  Channel channels[3];
  for (int c = 0; c < 3; ++c) {
    if (!Channel::Make(layout.masks[c], &channels[c])) return false;
  }
  for (std::size_t r = 0; r < height; ++r) {
    const uint8_t* in = data + layout.pixel_offset + r * stride;
    const std::size_t y = layout.top_down ? r : height - 1 - r;
    uint8_t* out = dib->rows[y];
    const int64_t width = layout.width;
    switch (layout.bits) {
      case 1:
        for (int64_t x = 0; x < width; ++x)
          PutIndex(layout, out, x, (in[x / 8] >> (7 - x % 8)) & 1u);
        break;
      case 4:
        for (int64_t x = 0; x < width; ++x)
          PutIndex(layout, out, x, x % 2 == 0 ? in[x / 2] >> 4 : in[x / 2] & 0x0Fu);
        break;
      case 8:
        for (int64_t x = 0; x < width; ++x) PutIndex(layout, out, x, in[x]);
        break;
      case 24:
        std::memcpy(out, in, static_cast<std::size_t>(3 * width));
        break;
      case 32:
        if (layout.compression == kDibRgb) {
          for (int64_t x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
          }
          break;
        }
        for (int64_t x = 0; x < width; ++x, in += 4, out += 3) {
          const uint32_t pixel = U32(in);
          out[0] = channels[2].Get(pixel);
          out[1] = channels[1].Get(pixel);
          out[2] = channels[0].Get(pixel);
        }
        break;
      case 16:
        for (int64_t x = 0; x < width; ++x, in += 2, out += 3) {
          const uint32_t pixel = U16(in);
          out[0] = channels[2].Get(pixel);
          out[1] = channels[1].Get(pixel);
          out[2] = channels[0].Get(pixel);
        }
        break;
      default:
        return false;
    }
  }
  return true;
}

// Run-length coded pixels. Pixels the runs skip over are left white, the background a picture
// is drawn on. Data that ends before the end-of-picture code is a cut-off file, even when every
// row has been drawn.
bool DecodeRunLength(const uint8_t* data, std::size_t size, const BmpLayout& layout, Dib* dib) {
  std::memset(dib->pixels.data(), 0xFF, dib->pixels.size());
  const bool four = layout.compression == kDibRle4;
  const int64_t width = layout.width;
  const int64_t height = layout.height;
  int64_t x = 0;
  int64_t row = 0;  // counted from the bottom
  std::size_t at = layout.pixel_offset;
  auto put = [&](unsigned index) {
    if (x < width && row < height)
      PutIndex(layout, dib->rows[static_cast<std::size_t>(height - 1 - row)], x, index);
    ++x;
  };
  while (size - at >= 2) {
    const unsigned count = data[at];
    const unsigned value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i)
        put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0Fu) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of picture
      return true;
    } else if (value == 2) {  // move right and up
      if (size - at < 2) return false;
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {  // literal pixels, padded to a whole 16-bit word
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      const std::size_t padded = (bytes + 1) & ~std::size_t{1};
      if (size - at < padded) return false;
      for (unsigned i = 0; i < value; ++i)
        put(four ? (i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0x0Fu) : data[at + i]);
      at += padded;
    }
  }
  return false;
}

}  // namespace

DibPtr DibDecodeBmp(const uint8_t* data, std::size_t size, int64_t maxPixels) {
  if (data == nullptr) return nullptr;
  BmpLayout layout;
  if (!ReadLayout(data, size, &layout)) return nullptr;
  DibPtr dib = DibCreateForDecoder(layout.width, layout.height, maxPixels);
  if (!dib) return nullptr;
  const bool ok = layout.compression == kDibRle8 || layout.compression == kDibRle4
                      ? DecodeRunLength(data, size, layout, dib.get())
                      : DecodeUncompressed(data, size, layout, dib.get());
  return ok ? std::move(dib) : nullptr;
}

}  // namespace meridiana
