#include "foundation/dib.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace meridiana {
namespace {

bool IsSupportedDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

int64_t StrideFor(int64_t bits, int64_t width) { return ((bits * width + 31) / 32) * 4; }

int32_t LowestSetBit(uint32_t mask) {
  if (mask == 0) return 0;
  int32_t bit = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++bit;
  }
  return bit;
}

int32_t RunOfSetBits(uint32_t mask) {
  if (mask == 0) return 8;  // gives a left shift of 0
  mask >>= LowestSetBit(mask);
  int32_t run = 0;
  while ((mask & 1u) != 0) {
    mask >>= 1;
    ++run;
  }
  return run;
}

void SettleMasks(Dib& dib) {
  const uint32_t compression = dib.header.compression;
  const int bits = dib.header.bit_count;
  if (compression == kDibBitfields) {
    // masks were stored by the caller
  } else if (compression == kDibRgb && bits == 16) {
    dib.masks[0] = 0x7C00;
    dib.masks[1] = 0x03E0;
    dib.masks[2] = 0x001F;
  } else if (compression == kDibRgb && (bits == 24 || bits == 32)) {
    dib.masks[0] = 0xFF0000;
    dib.masks[1] = 0x00FF00;
    dib.masks[2] = 0x0000FF;
  } else {
    dib.masks[0] = dib.masks[1] = dib.masks[2] = 0;
  }
  for (int c = 0; c < 3; ++c) {
    dib.right_shifts[c] = LowestSetBit(dib.masks[c]);
    dib.left_shifts[c] = 8 - RunOfSetBits(dib.masks[c]);
  }
}

// A channel of more than 8 bits has a negative left shift: it is narrowed instead.
uint8_t ChannelFromMask(uint32_t value, uint32_t mask, int32_t right, int32_t left) {
  const uint32_t field = (value & mask) >> right;
  return static_cast<uint8_t>(left >= 0 ? field << left : field >> -left);
}

uint32_t ChannelToMask(uint8_t channel, uint32_t mask, int32_t right, int32_t left) {
  const uint32_t field = left >= 0 ? uint32_t{channel} >> left : uint32_t{channel} << -left;
  return (field << right) & mask;
}

// Table entries as the header implies them: colours used, else 2^depth up to 8 bits.
uint32_t TableEntriesFor(const DibHeader& header) {
  if (header.colors_used != 0) return header.colors_used;
  if (header.bit_count <= 8) return 1u << header.bit_count;
  return 0;
}

}  // namespace

bool DibIsValid(const Dib* dib) { return dib != nullptr && dib->signature == kDibSignature; }

namespace {

DibPtr CreateFromInfo(const DibInfo& info, bool cleared) {
  const DibHeader& in = info.header;
  const int bits = in.bit_count;
  if (in.width <= 0 || in.height == 0 || !IsSupportedDepth(bits)) return nullptr;
  if (in.compression != kDibRgb && !(in.compression == kDibBitfields && (bits == 16 || bits == 32)))
    return nullptr;
  const int64_t height = in.height < 0 ? -int64_t{in.height} : int64_t{in.height};
  const int64_t stride = StrideFor(bits, in.width);
  if (stride <= 0 || height > int64_t{kDibMaxPixelBytes} / stride) return nullptr;
  const std::size_t pixel_bytes = static_cast<std::size_t>(stride * height);
  if (pixel_bytes > kDibMaxPixelBytes) return nullptr;
  // A colour table is only ever needed for indexed pixels; refuse absurd counts outright.
  if (in.colors_used > 65536) return nullptr;

  try {
    auto dib = std::make_unique<Dib>();
    dib->header = in;
    dib->header.size = 40;
    dib->header.planes = 1;
    dib->header.image_size = static_cast<uint32_t>(pixel_bytes);
    if (in.compression == kDibBitfields) std::copy(info.masks, info.masks + 3, dib->masks);
    SettleMasks(*dib);
    if (bits <= 8) {
      dib->colors.assign(TableEntriesFor(in), DibColor{});
      std::copy_n(info.colors.begin(), std::min(info.colors.size(), dib->colors.size()),
                  dib->colors.begin());
    }
    if (cleared) {
      dib->pixels.assign(pixel_bytes, 0);
    } else {
      dib->pixels.resize(pixel_bytes);
    }
    dib->rows.resize(static_cast<std::size_t>(height));
    uint8_t* bits_start = dib->pixels.data();
    // The maker writes the pixels; the padding after them stays zero, so a file written from the
    // image is the same each time.
    const int64_t used = (int64_t{in.width} * bits + 7) / 8;
    for (int64_t y = 0; y < height; ++y) {
      const int64_t stored = in.height > 0 ? height - 1 - y : y;
      dib->rows[static_cast<std::size_t>(y)] = bits_start + stored * stride;
      if (!cleared && used < stride)
        std::memset(bits_start + stored * stride + used, 0,
                    static_cast<std::size_t>(stride - used));
    }
    dib->signature = kDibSignature;
    return dib;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

DibPtr Create(int32_t width, int32_t height, int bits_per_pixel, int32_t colors_used,
              bool cleared) {
  if (width <= 0 || height <= 0 || colors_used < 0 || !IsSupportedDepth(bits_per_pixel))
    return nullptr;
  DibInfo info;
  info.header.width = width;
  info.header.height = height;
  info.header.bit_count = static_cast<uint16_t>(bits_per_pixel);
  info.header.colors_used = static_cast<uint32_t>(colors_used);
  return CreateFromInfo(info, cleared);
}

}  // namespace

DibPtr DibCreateFromInfo(const DibInfo& info) { return CreateFromInfo(info, true); }

DibPtr DibCreate(int32_t width, int32_t height, int bits_per_pixel, int32_t colors_used) {
  return Create(width, height, bits_per_pixel, colors_used, true);
}

DibPtr DibCreateToOverwrite(int32_t width, int32_t height, int bits_per_pixel,
                            int32_t colors_used) {
  return Create(width, height, bits_per_pixel, colors_used, false);
}

bool DibFree(DibPtr& dib) {
  const bool valid = DibIsValid(dib.get());
  dib.reset();
  return valid;
}

DibPtr DibCopy(const Dib* dib) {
  if (!DibIsValid(dib)) return nullptr;
  DibInfo info;
  info.header = dib->header;
  std::copy(dib->masks, dib->masks + 3, info.masks);
  info.colors = dib->colors;
  DibPtr copy = CreateFromInfo(info, false);  // every byte is copied over
  if (!copy || copy->pixels.size() != dib->pixels.size()) return nullptr;
  std::memcpy(copy->pixels.data(), dib->pixels.data(), dib->pixels.size());
  return copy;
}

int32_t DibWidth(const Dib* dib) { return DibIsValid(dib) ? dib->header.width : 0; }

int32_t DibHeight(const Dib* dib) {
  return DibIsValid(dib) ? static_cast<int32_t>(dib->rows.size()) : 0;
}

int DibBitsPerPixel(const Dib* dib) { return DibIsValid(dib) ? dib->header.bit_count : 0; }

int32_t DibStride(const Dib* dib) {
  return DibIsValid(dib) ? static_cast<int32_t>(StrideFor(dib->header.bit_count, dib->header.width))
                         : 0;
}

uint32_t DibColorTableEntries(const Dib* dib) {
  return DibIsValid(dib) ? TableEntriesFor(dib->header) : 0;
}

uint32_t DibHeaderBytes(const Dib* dib) {
  if (!DibIsValid(dib)) return 0;
  return dib->header.size + (dib->header.compression == kDibBitfields ? 12 : 0) +
         4 * DibColorTableEntries(dib);
}

std::size_t DibPixelBytes(const Dib* dib) {
  if (!DibIsValid(dib)) return 0;
  if (dib->header.image_size != 0) return dib->header.image_size;
  return static_cast<std::size_t>(DibStride(dib)) * dib->rows.size();
}

std::size_t DibPackedSize(const Dib* dib) {
  return DibIsValid(dib) ? DibHeaderBytes(dib) + DibPixelBytes(dib) : 0;
}

const uint8_t* DibPixelAddress(const Dib* dib, int32_t x, int32_t y) {
  if (!DibIsValid(dib)) return nullptr;
  if (dib->header.compression != kDibRgb && dib->header.compression != kDibBitfields)
    return nullptr;
  if (x < 0 || y < 0 || x >= dib->header.width || y >= static_cast<int32_t>(dib->rows.size()))
    return nullptr;
  return dib->rows[static_cast<std::size_t>(y)] +
         (static_cast<std::size_t>(x) * dib->header.bit_count) / 8;
}

uint8_t* DibPixelAddress(Dib* dib, int32_t x, int32_t y) {
  return const_cast<uint8_t*>(DibPixelAddress(static_cast<const Dib*>(dib), x, y));
}

uint32_t DibGetPixel(const Dib* dib, int32_t x, int32_t y) {
  const uint8_t* p = DibPixelAddress(dib, x, y);
  if (p == nullptr) return 0;
  switch (dib->header.bit_count) {
    case 1:
      return (*p >> (7 - x % 8)) & 1u;
    case 4:
      return x % 2 == 0 ? *p >> 4 : *p & 0x0Fu;
    case 8:
      return *p;
    case 16:
      return p[0] | uint32_t{p[1]} << 8;
    case 24:
      return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    case 32:
      return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    default:
      return 0;
  }
}

bool DibSetPixel(Dib* dib, int32_t x, int32_t y, uint32_t value) {
  uint8_t* p = DibPixelAddress(dib, x, y);
  if (p == nullptr) return false;
  switch (dib->header.bit_count) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80u >> (x % 8));
      *p = static_cast<uint8_t>((value & 1u) != 0 ? *p | bit : *p & ~bit);
      return true;
    }
    case 4:
      *p = static_cast<uint8_t>(x % 2 == 0 ? (*p & 0x0Fu) | (value & 0x0Fu) << 4
                                           : (*p & 0xF0u) | (value & 0x0Fu));
      return true;
    case 8:
      *p = static_cast<uint8_t>(value);
      return true;
    case 16:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      return true;
    case 24:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      return true;
    case 32:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      p[3] = static_cast<uint8_t>(value >> 24);
      return true;
    default:
      return false;
  }
}

bool DibGetColor(const Dib* dib, int32_t x, int32_t y, DibColor* color) {
  const uint8_t* p = DibPixelAddress(dib, x, y);
  if (p == nullptr || color == nullptr) return false;
  const int bits = dib->header.bit_count;
  if (bits <= 8) {
    const uint32_t index = DibGetPixel(dib, x, y);
    if (index >= dib->colors.size()) return false;
    *color = dib->colors[index];
    return true;
  }
  if (bits == 24) {
    *color = DibColor{p[0], p[1], p[2], 0};
    return true;
  }
  if (bits == 32 && dib->header.compression == kDibRgb) {
    *color = DibColor{p[0], p[1], p[2], p[3]};
    return true;
  }
  const uint32_t value = DibGetPixel(dib, x, y);
  color->red = ChannelFromMask(value, dib->masks[0], dib->right_shifts[0], dib->left_shifts[0]);
  color->green = ChannelFromMask(value, dib->masks[1], dib->right_shifts[1], dib->left_shifts[1]);
  color->blue = ChannelFromMask(value, dib->masks[2], dib->right_shifts[2], dib->left_shifts[2]);
  color->reserved = 0;
  return true;
}

bool DibSetColor(Dib* dib, int32_t x, int32_t y, DibColor color) {
  uint8_t* p = DibPixelAddress(dib, x, y);
  if (p == nullptr) return false;
  const int bits = dib->header.bit_count;
  if (bits <= 8) return false;
  if (bits == 24) {
    p[0] = color.blue;
    p[1] = color.green;
    p[2] = color.red;
    return true;
  }
  if (bits == 32 && dib->header.compression == kDibRgb) {
    p[0] = color.blue;
    p[1] = color.green;
    p[2] = color.red;
    p[3] = color.reserved;
    return true;
  }
  const uint32_t value =
      ChannelToMask(color.red, dib->masks[0], dib->right_shifts[0], dib->left_shifts[0]) |
      ChannelToMask(color.green, dib->masks[1], dib->right_shifts[1], dib->left_shifts[1]) |
      ChannelToMask(color.blue, dib->masks[2], dib->right_shifts[2], dib->left_shifts[2]);
  return DibSetPixel(dib, x, y, value);
}

bool DibGetPaletteEntry(const Dib* dib, int index, DibColor* color) {
  if (!DibIsValid(dib) || color == nullptr || index < 0 ||
      static_cast<std::size_t>(index) >= dib->colors.size())
    return false;
  *color = dib->colors[static_cast<std::size_t>(index)];
  return true;
}

bool DibSetPaletteEntry(Dib* dib, int index, DibColor color) {
  if (!DibIsValid(dib) || index < 0 || static_cast<std::size_t>(index) >= dib->colors.size())
    return false;
  dib->colors[static_cast<std::size_t>(index)] = color;
  return true;
}

}  // namespace meridiana
