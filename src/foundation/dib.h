#pragma once
// Dib: an in-memory raster with a table of row pointers, laid out like a packed device-independent
// bitmap (header, optional bit-field masks, colour table, pixel rows padded to 4 bytes).
//
// Row 0 of the row table is always the top row of the picture, whatever the storage order. The
// images the rest of the program handles are 24 bits per pixel, bottom-up, with pixels stored as
// blue, green, red bytes; the type also carries 1, 4, 8, 16 and 32 bits per pixel.
//
// An absent image (null, or a record whose signature does not match) passes through every
// operation as failure: 0, false or null, so that a failed load needs no special casing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace meridiana {

// Compression values of the header.
inline constexpr uint32_t kDibRgb = 0;
inline constexpr uint32_t kDibRle8 = 1;
inline constexpr uint32_t kDibRle4 = 2;
inline constexpr uint32_t kDibBitfields = 3;

// "Dib " read little-endian: marks a live record.
inline constexpr uint32_t kDibSignature = 0x20626944;

// Bounds for images made from untrusted files: pixels per side and bytes of pixel memory.
inline constexpr int32_t kDibMaxSide = 16384;
inline constexpr std::size_t kDibMaxPixelBytes = std::size_t{512} * 1024 * 1024;

// The 40-byte information header of a packed bitmap.
struct DibHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: bottom-up rows; negative: top-down rows
  uint16_t planes = 1;
  uint16_t bit_count = 0;
  uint32_t compression = kDibRgb;
  uint32_t image_size = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t colors_used = 0;
  uint32_t colors_important = 0;
};

// A colour in memory order: blue, green, red, reserved.
struct DibColor {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  friend bool operator==(const DibColor&, const DibColor&) = default;
};

// Everything needed to make a record: header, masks (used with kDibBitfields) and colour table.
struct DibInfo {
  DibHeader header;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  std::vector<DibColor> colors;   // missing entries are zero
};

// Leaves the bytes a resize adds as they are: pixel memory written whole right after it is made
// (a copy, a sampled frame of a screen's size) need not be cleared first, which costs as much as
// a pass over it.
template <class T>
struct UnclearedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

struct Dib {
  Dib() = default;
  Dib(const Dib&) = delete;  // the row table points into pixels
  Dib& operator=(const Dib&) = delete;

  std::vector<uint8_t*> rows;  // entry y: first byte of visual row y
  uint32_t signature = 0;
  std::vector<uint8_t, UnclearedAllocator<uint8_t>> pixels;  // pixel memory, storage order
  DibHeader header;
  uint32_t masks[3] = {0, 0, 0};        // red, green, blue
  int32_t right_shifts[3] = {0, 0, 0};  // lowest set bit of each mask
  int32_t left_shifts[3] = {0, 0, 0};   // 8 minus the run of set bits from that bit
  std::vector<DibColor> colors;         // colour table (depths of 8 bits or fewer)
};

using DibPtr = std::unique_ptr<Dib>;

bool DibIsValid(const Dib* dib);

// New image with all pixels and colour-table entries zero; null for a size of 0 or less, a depth
// other than 1, 4, 8, 16, 24 or 32, a negative colour count, or pixel memory above
// kDibMaxPixelBytes. colors_used 0 means 2^depth table entries at 8 bits or fewer.
DibPtr DibCreate(int32_t width, int32_t height, int bits_per_pixel, int32_t colors_used = 0);

// New image from a header, masks and colour table (the way a copy or a file reader makes one).
// Only uncompressed and bit-field layouts can be made; the header's image size is recomputed.
DibPtr DibCreateFromInfo(const DibInfo& info);

// As DibCreate, but the pixels are left unset: for an image its maker writes whole at once.
DibPtr DibCreateToOverwrite(int32_t width, int32_t height, int bits_per_pixel,
                            int32_t colors_used = 0);

// True when the image was valid; frees it and clears the reference either way.
bool DibFree(DibPtr& dib);

// New image with the same header, masks, colour table and pixel bytes.
DibPtr DibCopy(const Dib* dib);

// Derived quantities, all 0 for an absent image.
int32_t DibWidth(const Dib* dib);
int32_t DibHeight(const Dib* dib);  // always positive
int DibBitsPerPixel(const Dib* dib);
int32_t DibStride(const Dib* dib);  // bytes per row, a multiple of 4
uint32_t DibColorTableEntries(const Dib* dib);
uint32_t DibHeaderBytes(const Dib* dib);  // header, masks, colour table
std::size_t DibPixelBytes(const Dib* dib);
std::size_t DibPackedSize(const Dib* dib);

// Address of the byte holding pixel (x, y), y counted from the top; null outside the image or
// for a compressed layout.
uint8_t* DibPixelAddress(Dib* dib, int32_t x, int32_t y);
const uint8_t* DibPixelAddress(const Dib* dib, int32_t x, int32_t y);

// Raw pixel value: palette index, 16-bit word, blue + green * 256 + red * 65536, or 32-bit word.
// DibGetPixel yields 0 where DibPixelAddress yields null.
uint32_t DibGetPixel(const Dib* dib, int32_t x, int32_t y);
bool DibSetPixel(Dib* dib, int32_t x, int32_t y, uint32_t value);

// Colour of a pixel through the colour table (8 bits or fewer) or the masks. Setting works at
// depths above 8 bits only.
bool DibGetColor(const Dib* dib, int32_t x, int32_t y, DibColor* color);
bool DibSetColor(Dib* dib, int32_t x, int32_t y, DibColor color);

// Colour-table entries exist at depths of 8 bits or fewer.
bool DibGetPaletteEntry(const Dib* dib, int index, DibColor* color);
bool DibSetPaletteEntry(Dib* dib, int index, DibColor color);

}  // namespace meridiana
