#pragma once
// Helpers for the picture tests: fixture paths and bytes, and the expected pixels that a second
// decoder wrote beside each fixture as a binary PPM (red, green, blue; top row first).

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/dib.h"

namespace meridiana::test {

inline std::string ImageFixture(const std::string& name) {
  return std::string(MERIDIANA_FIXTURES) + "/images/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Ppm {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

inline std::optional<Ppm> ReadPpm(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  std::string head(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64));
  std::istringstream in(head);
  std::string magic;
  Ppm ppm;
  int maxval = 0;
  if (!(in >> magic >> ppm.width >> ppm.height >> maxval) || magic != "P6" || maxval != 255)
    return std::nullopt;
  const std::size_t start = static_cast<std::size_t>(in.tellg()) + 1;  // one whitespace byte
  const std::size_t count = std::size_t{3} * ppm.width * ppm.height;
  if (bytes.size() < start + count) return std::nullopt;
  ppm.rgb.assign(bytes.begin() + start, bytes.begin() + start + count);
  return ppm;
}

// Every pixel of the image within tolerance of the expected one; reports the first few misses.
inline ::testing::AssertionResult PixelsMatch(const Dib* dib, const Ppm& expected, int tolerance) {
  if (!DibIsValid(dib)) return ::testing::AssertionFailure() << "no image";
  if (DibWidth(dib) != expected.width || DibHeight(dib) != expected.height)
    return ::testing::AssertionFailure()
           << "size " << DibWidth(dib) << "x" << DibHeight(dib) << ", expected " << expected.width
           << "x" << expected.height;
  int misses = 0;
  std::ostringstream report;
  for (int y = 0; y < expected.height; ++y) {
    const uint8_t* row = dib->rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < expected.width; ++x) {
      const uint8_t* want = &expected.rgb[3 * (static_cast<std::size_t>(y) * expected.width + x)];
      const uint8_t* got = row + 3 * x;  // blue, green, red
      for (int c = 0; c < 3; ++c) {
        if (std::abs(int{got[2 - c]} - int{want[c]}) > tolerance) {
          if (++misses <= 5)
            report << " (" << x << "," << y << ") got " << int{got[2]} << "/" << int{got[1]} << "/"
                   << int{got[0]} << " want " << int{want[0]} << "/" << int{want[1]} << "/"
                   << int{want[2]} << ";";
          break;
        }
      }
    }
  }
  if (misses == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << misses << " pixels differ:" << report.str();
}

}  // namespace meridiana::test
