#include <gtest/gtest.h>

#include <vector>

#include "map/dib_ops.h"

namespace meridiana {
namespace {

DibPtr Grey(int32_t width, int32_t height, const std::vector<uint8_t>& values) {
  DibPtr dib = DibCreate(width, height, 24, 256);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = values[static_cast<std::size_t>(y * width + x)];
      DibSetPixel(dib.get(), x, y, v | v << 8 | v << 16);
    }
  return dib;
}

uint8_t BlueAt(const Dib* dib, int32_t x, int32_t y) { return DibPixelAddress(dib, x, y)[0]; }

// Worked by hand from the sampling grid. Four source rows 0, 100, 200, 40 sampled at rows 0, 0.75,
// 1.5 and 2.25 give 0, 75, 150 and 159 (truncated). The target row changes at grid rows 0 and 2:
// row 0 is grid row 0 alone, row 1 the mean of grid rows 1 and 2, and grid row 3 is never written.
TEST(ImageScaleTest, FourRowsToTwo) {
  DibPtr source = Grey(1, 4, {0, 100, 200, 40});
  DibPtr target = DibScale(source.get(), 1, 2);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(BlueAt(target.get(), 0, 0), 0);
  EXPECT_EQ(BlueAt(target.get(), 0, 1), (75 + 150) / 2);
}

// Columns collect differently: grid columns 0 and 1 both land in target column 0, 2 and 3 in 1.
TEST(ImageScaleTest, FourColumnsToTwo) {
  DibPtr source = Grey(4, 1, {0, 100, 200, 40});
  DibPtr target = DibScale(source.get(), 2, 1);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(BlueAt(target.get(), 0, 0), (0 + 75) / 2);
  EXPECT_EQ(BlueAt(target.get(), 1, 0), (150 + 159) / 2);
}

TEST(ImageScaleTest, MinusOneHeightKeepsTheAspectRatio) {
  struct Case {
    int32_t width, height, new_width, expected_height;
  };
  for (const Case& c :
       {Case{2048, 1024, 1024, 512}, Case{1000, 333, 500, 166}, Case{3, 5, 6, 10}}) {
    DibPtr source = DibCreate(c.width, c.height, 24);
    DibPtr target = DibScale(source.get(), c.new_width, -1);
    ASSERT_NE(target, nullptr) << c.width;
    EXPECT_EQ(DibWidth(target.get()), c.new_width);
    EXPECT_EQ(DibHeight(target.get()), c.expected_height);
  }
  // A height that rounds down to nothing keeps one row.
  DibPtr flat = DibCreate(100, 1, 24);
  DibPtr thin = DibScale(flat.get(), 10, -1);
  ASSERT_NE(thin, nullptr);
  EXPECT_EQ(DibHeight(thin.get()), 1);
  DibPtr map = DibCreate(1024, 512, 24);
  thin = DibScale(map.get(), 1, -1);
  ASSERT_NE(thin, nullptr);
  EXPECT_EQ(DibWidth(thin.get()), 1);
  EXPECT_EQ(DibHeight(thin.get()), 1);
}

// A single colour stays exactly that colour, in every pixel, whichever way the size changes: any
// pixel left unwritten, any channel mixed up or any rounding drift shows here.
TEST(ImageScaleTest, OneColourStaysExactInEveryPixel) {
  struct Case {
    int32_t width, height, new_width, new_height;
  };
  std::vector<Case> cases = {{13, 7, 5, 3},
                             {5, 3, 13, 7},
                             {7, 7, 7, 7},
                             {1, 1, 4, 3},
                             {300, 1, 7, 1},
                             {4, 4, 1, 1},
                             {1024, 512, 640, 320},
                             {640, 320, 1024, 512},
                             {33, 17, 32, 16},
                             {2, 9, 9, 2},
                             {1000, 1000, 999, 999},
                             {1026, 514, 1024, 512},
                             {2000, 1000, 1024, 512},
                             {1100, 600, 1024, 512}};
  // Targets a little smaller than the source are where a rounded-down step misses the last slot.
  for (int32_t size = 40; size <= 160; size += 7)
    for (int32_t less = 1; less <= 9; less += 2)
      cases.push_back({size, size + 3, size - less, size});
  const uint32_t colour = 0x3A7FC4;  // blue C4, green 7F, red 3A
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " -> " << c.new_width << "x" << c.new_height);
    DibPtr source = DibCreate(c.width, c.height, 24);
    for (int32_t y = 0; y < c.height; ++y)
      for (int32_t x = 0; x < c.width; ++x) DibSetPixel(source.get(), x, y, colour);
    DibPtr target = DibScale(source.get(), c.new_width, c.new_height);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(DibBitsPerPixel(target.get()), 24);
    EXPECT_EQ(DibColorTableEntries(target.get()), 256u);
    int wrong = 0;
    for (int32_t y = 0; y < c.new_height; ++y)
      for (int32_t x = 0; x < c.new_width; ++x) wrong += DibGetPixel(target.get(), x, y) != colour;
    EXPECT_EQ(wrong, 0);
  }
}

TEST(ImageScaleTest, OtherDepthsAreConvertedAndTheSourceIsLeftAlone) {
  DibPtr source = DibCreate(3, 2, 8, 4);
  ASSERT_TRUE(DibSetPaletteEntry(source.get(), 2, DibColor{10, 20, 30, 0}));
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) DibSetPixel(source.get(), x, y, 2);
  const auto before = source->pixels;
  DibPtr target = DibScale(source.get(), 6, 4);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(DibBitsPerPixel(target.get()), 24);
  EXPECT_EQ(DibGetPixel(target.get(), 5, 3), 10u | 20u << 8 | 30u << 16);
  EXPECT_EQ(source->pixels, before);
  EXPECT_EQ(DibBitsPerPixel(source.get()), 8);
}

TEST(ImageScaleTest, NoImageOrNoSizeGivesNoImage) {
  EXPECT_EQ(DibScale(nullptr, 10, 10), nullptr);
  DibPtr source = DibCreate(4, 4, 24);
  EXPECT_EQ(DibScale(source.get(), 0, 4), nullptr);
  EXPECT_EQ(DibScale(source.get(), 4, 0), nullptr);
  EXPECT_EQ(DibScale(source.get(), 4, -2), nullptr);
}

TEST(ImageConvertTest, DirectColourTargets) {
  DibPtr indexed = DibCreate(2, 1, 4);
  ASSERT_TRUE(DibSetPaletteEntry(indexed.get(), 7, DibColor{0xF8, 0x80, 0x08, 0}));
  ASSERT_TRUE(DibSetPixel(indexed.get(), 1, 0, 7));
  DibPtr rgb = DibConvert(indexed.get(), 24);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(DibColorTableEntries(rgb.get()), 0u);
  EXPECT_EQ(DibGetPixel(rgb.get(), 1, 0), 0x0880F8u);
  EXPECT_EQ(DibGetPixel(rgb.get(), 0, 0), 0u);  // index 0: a black entry

  DibPtr words = DibConvert(rgb.get(), 16);
  ASSERT_NE(words, nullptr);
  // 5 bits each: red 0x08 >> 3 = 1, green 0x80 >> 3 = 16, blue 0xF8 >> 3 = 31.
  EXPECT_EQ(DibGetPixel(words.get(), 1, 0), 1u << 10 | 16u << 5 | 31u);
  DibPtr back = DibConvert(words.get(), 32);
  ASSERT_NE(back, nullptr);
  DibColor c;
  ASSERT_TRUE(DibGetColor(back.get(), 1, 0, &c));
  EXPECT_EQ(c, (DibColor{0xF8, 0x80, 0x08, 0}));

  EXPECT_EQ(DibConvert(rgb.get(), 24), nullptr);  // same depth
  EXPECT_EQ(DibConvert(rgb.get(), 8), nullptr);   // palettes are never made
  EXPECT_EQ(DibConvert(nullptr, 24), nullptr);
}

}  // namespace
}  // namespace meridiana
