#include <algorithm>
#include <new>
#include <vector>

#include "map/dib_ops.h"

namespace meridiana {
namespace {

// Sums of one target column's samples since the last row was written. The sums are 64 bits wide
// so that shrinking a large picture to a few pixels cannot overflow them.
struct Accumulator {
  uint64_t blue = 0;
  uint64_t green = 0;
  uint64_t red = 0;
  uint64_t count = 0;
};

constexpr int64_t kOne = 65536;

}  // namespace

DibPtr DibScale(const Dib* dib, int32_t new_width, int32_t new_height) {
  if (!DibIsValid(dib)) return nullptr;
  const int64_t source_width = DibWidth(dib);
  const int64_t source_height = DibHeight(dib);
  if (new_height == -1) {
    if (source_width == 0) return nullptr;
    // A very thin picture still keeps one row.
    const int64_t height = std::max<int64_t>(1, int64_t{new_width} * source_height / source_width);
    if (height > INT32_MAX) return nullptr;
    new_height = static_cast<int32_t>(height);
  }

  DibPtr converted;
  const Dib* source = dib;
  if (DibBitsPerPixel(dib) != 24) {
    converted = DibConvert(dib, 24);
    if (!converted) return nullptr;
    source = converted.get();
  }
  DibPtr target = DibCreate(new_width, new_height, 24, 256);
  if (!target) return nullptr;

  const int64_t grid_width = std::max<int64_t>(source_width, new_width);
  const int64_t grid_height = std::max<int64_t>(source_height, new_height);
  const int64_t source_step_x = (source_width * kOne - kOne) / grid_width;
  const int64_t source_step_y = (source_height * kOne - kOne) / grid_height;
  std::vector<Accumulator> sums;
  std::vector<int64_t> column_of;
  try {
    sums.resize(static_cast<std::size_t>(grid_width));
    column_of.resize(static_cast<std::size_t>(grid_width));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  // Grid index k falls into target slot k * new / grid, exactly: a 16.16 step rounded down could
  // stop one short of the last slot and leave it unwritten. Where the step is exact this gives
  // the same slots.
  for (int64_t k = 0; k < grid_width; ++k)
    column_of[static_cast<std::size_t>(k)] = k * new_width / grid_width;

  int64_t previous_row = -1;
  for (int64_t i = 0; i < grid_height; ++i) {
    const int64_t sy = i * source_step_y;
    const uint8_t* upper_row = source->rows[static_cast<std::size_t>(sy >> 16)];
    const uint8_t* lower_row = source->rows[static_cast<std::size_t>((sy + 0xFFFF) >> 16)];
    const uint32_t fy = static_cast<uint32_t>(sy & 0xFFFF);
    for (int64_t k = 0; k < grid_width; ++k) {
      const int64_t sx = k * source_step_x;
      const int64_t x0 = 3 * (sx >> 16);
      const int64_t x1 = 3 * ((sx + 0xFFFF) >> 16);
      const uint32_t fx = static_cast<uint32_t>(sx & 0xFFFF);
      uint32_t sample[3];
      for (int c = 0; c < 3; ++c) {
        const uint32_t upper =
            (upper_row[x0 + c] * (0xFFFF - fx) + upper_row[x1 + c] * fx) / 0xFFFF;
        const uint32_t lower =
            (lower_row[x0 + c] * (0xFFFF - fx) + lower_row[x1 + c] * fx) / 0xFFFF;
        sample[c] = (upper * (0xFFFF - fy) + lower * fy) / 0xFFFF;
      }
      Accumulator& a = sums[static_cast<std::size_t>(column_of[static_cast<std::size_t>(k)])];
      a.blue += sample[0];
      a.green += sample[1];
      a.red += sample[2];
      ++a.count;
    }

    const int64_t row = i * new_height / grid_height;  // the same rule for rows
    if (row == previous_row) continue;
    previous_row = row;
    uint8_t* out = target->rows[static_cast<std::size_t>(row)];
    int64_t last_column = -1;
    for (int64_t k = 0; k < grid_width; ++k) {
      const int64_t column = column_of[static_cast<std::size_t>(k)];
      if (column == last_column) continue;  // same slot, same value
      last_column = column;
      const Accumulator& a = sums[static_cast<std::size_t>(column)];
      uint8_t* p = out + 3 * column;
      p[0] = static_cast<uint8_t>(a.blue / a.count);
      p[1] = static_cast<uint8_t>(a.green / a.count);
      p[2] = static_cast<uint8_t>(a.red / a.count);
    }
    std::fill(sums.begin(), sums.end(), Accumulator{});
  }
  return target;
}

}  // namespace meridiana
