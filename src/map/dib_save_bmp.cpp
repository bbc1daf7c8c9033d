#include <cstring>
#include <new>
#include <vector>

#include "foundation/file_util.h"
#include "map/dib_ops.h"

namespace meridiana {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

}  // namespace

bool DibSaveBmp(const Dib* dib, const char* path, FileSync sync) {
  if (!DibIsValid(dib) || path == nullptr) return false;
  const std::size_t pixel_bytes = DibPixelBytes(dib);
  const std::size_t file_size = DibPackedSize(dib) + kFileHeaderBytes;
  if (pixel_bytes > dib->pixels.size() || file_size > UINT32_MAX) return false;

  std::vector<uint8_t> out;
  try {
    out.reserve(file_size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Put16(out, 0x4D42);  // "BM"
  Put32(out, static_cast<uint32_t>(file_size));
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, static_cast<uint32_t>(file_size - pixel_bytes));

  const DibHeader& h = dib->header;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(h.width));
  Put32(out, static_cast<uint32_t>(h.height));
  Put16(out, h.planes);
  Put16(out, h.bit_count);
  Put32(out, h.compression);
  Put32(out, h.image_size);
  Put32(out, static_cast<uint32_t>(h.x_pels_per_meter));
  Put32(out, static_cast<uint32_t>(h.y_pels_per_meter));
  Put32(out, h.colors_used);
  Put32(out, h.colors_important);
  if (h.compression == kDibBitfields) {
    for (uint32_t mask : dib->masks) Put32(out, mask);
  }
  // Entries the image does not hold (every entry of a 24-bit image) are written as zero.
  const uint32_t entries = DibColorTableEntries(dib);
  for (uint32_t i = 0; i < entries; ++i) {
    const DibColor c = i < dib->colors.size() ? dib->colors[i] : DibColor{};
    out.push_back(c.blue);
    out.push_back(c.green);
    out.push_back(c.red);
    out.push_back(c.reserved);
  }
  out.insert(out.end(), dib->pixels.begin(),
             dib->pixels.begin() + static_cast<std::ptrdiff_t>(pixel_bytes));
  if (out.size() != file_size) return false;
  return WriteWholeFile(path, out.data(), out.size(), sync);
}

}  // namespace meridiana
