#include "map/jpeg_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "map/image_load.h"

namespace meridiana {
namespace {

// Four flat quadrants: red, green, blue and white, so a swapped channel order or a flipped
// picture shows in every quadrant's centre.
DibPtr Quadrants(int w, int h) {
  DibPtr dib = DibCreate(w, h, 24, 256);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = dib->rows[y] + 3 * x;  // blue, green, red
      const bool right = x >= w / 2;
      const bool bottom = y >= h / 2;
      p[0] = right ? 255 : 0;
      p[1] = bottom ? 255 : 0;
      p[2] = right == bottom ? 255 : 0;
    }
  }
  return dib;
}

void ExpectNear(const Dib* dib, int x, int y, int blue, int green, int red) {
  const uint8_t* p = dib->rows[y] + 3 * x;
  EXPECT_NEAR(p[0], blue, 12) << x << "," << y;
  EXPECT_NEAR(p[1], green, 12) << x << "," << y;
  EXPECT_NEAR(p[2], red, 12) << x << "," << y;
}

TEST(JpegWriter, DecodesToThePictureItWasGiven) {
  for (const auto& size : {std::pair{64, 32}, std::pair{1024, 512}, std::pair{67, 45}}) {
    const auto [w, h] = size;
    const DibPtr image = Quadrants(w, h);
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(image.get(), 90, &bytes));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xD8);
    const DibPtr back = DibDecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(back);
    ASSERT_EQ(DibWidth(back.get()), w);
    ASSERT_EQ(DibHeight(back.get()), h);
    ExpectNear(back.get(), w / 4, h / 4, 0, 0, 255);              // red, top left
    ExpectNear(back.get(), 3 * w / 4, h / 4, 255, 0, 0);          // blue, top right
    ExpectNear(back.get(), w / 4, 3 * h / 4, 0, 255, 0);          // green, bottom left
    ExpectNear(back.get(), 3 * w / 4, 3 * h / 4, 255, 255, 255);  // white, bottom right
  }
}

TEST(JpegWriter, LowerQualityGivesFewerBytesAndAppendsToWhatIsThere) {
  DibPtr image = DibCreate(128, 64, 24, 256);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128 * 3; ++x)
      image->rows[y][x] = static_cast<uint8_t>((x * 31 + y * 17) ^ (x * y));
  std::string fine = "head";
  std::string coarse;
  ASSERT_TRUE(EncodeJpeg(image.get(), 95, &fine));
  ASSERT_TRUE(EncodeJpeg(image.get(), 20, &coarse));
  EXPECT_EQ(fine.compare(0, 4, "head"), 0);
  EXPECT_GT(fine.size() - 4, coarse.size());
}

TEST(JpegWriter, RefusesWhatItCannotWriteAndLeavesTheOutputAlone) {
  std::string bytes = "keep";
  EXPECT_FALSE(EncodeJpeg(nullptr, 80, &bytes));
  const DibPtr grey = DibCreate(4, 4, 8);
  EXPECT_FALSE(EncodeJpeg(grey.get(), 80, &bytes));
  const DibPtr image = Quadrants(8, 8);
  EXPECT_FALSE(EncodeJpeg(image.get(), 0, &bytes));
  EXPECT_FALSE(EncodeJpeg(image.get(), 101, &bytes));
  EXPECT_FALSE(EncodeJpeg(image.get(), 80, nullptr));
  EXPECT_EQ(bytes, "keep");
}

}  // namespace
}  // namespace meridiana
