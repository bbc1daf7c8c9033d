#include "foundation/dib.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

TEST(DibTest, CreateRefusesBadSizesAndDepths) {
  EXPECT_EQ(DibCreate(0, 5, 24), nullptr);
  EXPECT_EQ(DibCreate(5, 0, 24), nullptr);
  EXPECT_EQ(DibCreate(-3, 5, 24), nullptr);
  EXPECT_EQ(DibCreate(5, 5, 2), nullptr);
  EXPECT_EQ(DibCreate(5, 5, 12), nullptr);
  EXPECT_EQ(DibCreate(5, 5, 24, -1), nullptr);
  // Pixel memory above the bound is refused rather than attempted.
  EXPECT_EQ(DibCreate(32768, 32768, 32), nullptr);
  EXPECT_EQ(DibCreate(0x7FFFFFFF, 2, 32), nullptr);
  for (int bits : {1, 4, 8, 16, 24, 32}) EXPECT_NE(DibCreate(3, 2, bits), nullptr) << bits;
}

TEST(DibTest, DerivedQuantities) {
  struct Row {
    int32_t width, height;
    int bits;
    int32_t colors_used;
    int32_t stride;
    uint32_t table_entries;
  };
  const Row rows[] = {
      {1023, 2, 24, 0, 3072, 0}, {33, 3, 1, 0, 8, 2},  {5, 1, 4, 0, 4, 16},
      {5, 1, 8, 0, 8, 256},      {3, 1, 16, 0, 8, 0},  {3, 1, 32, 0, 12, 0},
      {1, 1, 24, 256, 4, 256},   {7, 1, 8, 20, 8, 20},
  };
  for (const Row& r : rows) {
    DibPtr dib = DibCreate(r.width, r.height, r.bits, r.colors_used);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(DibStride(dib.get()), r.stride) << r.width << "x" << r.bits;
    EXPECT_EQ(DibColorTableEntries(dib.get()), r.table_entries) << r.width << "x" << r.bits;
    EXPECT_EQ(DibPixelBytes(dib.get()), static_cast<std::size_t>(r.stride) * r.height);
    EXPECT_EQ(DibHeaderBytes(dib.get()), 40 + 4 * r.table_entries);
  }
  // The loaders' images: a 1,024-byte table that is never drawn from, pixels after it.
  DibPtr map = DibCreate(1024, 512, 24, 256);
  EXPECT_EQ(DibPackedSize(map.get()), 40u + 1024u + 1572864u);
}

TEST(DibTest, BottomUpRowsAndPixelAddressing) {
  DibPtr dib = DibCreate(3, 4, 24);
  ASSERT_NE(dib, nullptr);
  const int32_t stride = DibStride(dib.get());
  // Visual row 0 is stored last.
  EXPECT_EQ(DibPixelAddress(dib.get(), 0, 0), dib->pixels.data() + 3 * stride);
  EXPECT_EQ(DibPixelAddress(dib.get(), 2, 3), dib->pixels.data() + 6);
  EXPECT_EQ(DibPixelAddress(dib.get(), 3, 0), nullptr);
  EXPECT_EQ(DibPixelAddress(dib.get(), 0, 4), nullptr);
  EXPECT_EQ(DibPixelAddress(dib.get(), -1, 0), nullptr);

  ASSERT_TRUE(DibSetPixel(dib.get(), 1, 2, 0x123456));
  const uint8_t* p = dib->pixels.data() + 1 * stride + 3;
  EXPECT_EQ(p[0], 0x56);  // blue
  EXPECT_EQ(p[1], 0x34);  // green
  EXPECT_EQ(p[2], 0x12);  // red
  DibColor c;
  ASSERT_TRUE(DibGetColor(dib.get(), 1, 2, &c));
  EXPECT_EQ(c, (DibColor{0x56, 0x34, 0x12, 0}));
  EXPECT_FALSE(DibSetPixel(dib.get(), 3, 0, 1));
  EXPECT_EQ(DibGetPixel(dib.get(), 3, 0), 0u);
}

TEST(DibTest, TopDownHeaderKeepsStorageOrder) {
  DibInfo info;
  info.header.width = 2;
  info.header.height = -3;
  info.header.bit_count = 8;
  DibPtr dib = DibCreateFromInfo(info);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(DibHeight(dib.get()), 3);
  EXPECT_EQ(DibPixelAddress(dib.get(), 0, 0), dib->pixels.data());
  EXPECT_EQ(DibPixelAddress(dib.get(), 1, 2), dib->pixels.data() + 2 * 4 + 1);
}

TEST(DibTest, SubBytePixelsSitAtTheDocumentedBits) {
  DibPtr one = DibCreate(10, 1, 1);
  ASSERT_TRUE(DibSetPixel(one.get(), 0, 0, 1));
  ASSERT_TRUE(DibSetPixel(one.get(), 9, 0, 1));
  EXPECT_EQ(one->pixels[0], 0x80);
  EXPECT_EQ(one->pixels[1], 0x40);
  EXPECT_EQ(DibGetPixel(one.get(), 9, 0), 1u);
  EXPECT_EQ(DibGetPixel(one.get(), 8, 0), 0u);
  ASSERT_TRUE(DibSetPixel(one.get(), 0, 0, 0));
  EXPECT_EQ(one->pixels[0], 0x00);

  DibPtr four = DibCreate(3, 1, 4);
  ASSERT_TRUE(DibSetPixel(four.get(), 0, 0, 0xA));
  ASSERT_TRUE(DibSetPixel(four.get(), 1, 0, 0x5));
  ASSERT_TRUE(DibSetPixel(four.get(), 2, 0, 0xF));
  EXPECT_EQ(four->pixels[0], 0xA5);
  EXPECT_EQ(four->pixels[1], 0xF0);
  EXPECT_EQ(DibGetPixel(four.get(), 1, 0), 0x5u);

  // Indexed colours come from the table; an index beyond it has no colour.
  ASSERT_TRUE(DibSetPaletteEntry(four.get(), 0xA, DibColor{1, 2, 3, 0}));
  DibColor c;
  ASSERT_TRUE(DibGetColor(four.get(), 0, 0, &c));
  EXPECT_EQ(c, (DibColor{1, 2, 3, 0}));
  EXPECT_FALSE(DibSetColor(four.get(), 0, 0, c));
  DibPtr small_table = DibCreate(2, 1, 8, 4);
  ASSERT_TRUE(DibSetPixel(small_table.get(), 0, 0, 9));
  EXPECT_FALSE(DibGetColor(small_table.get(), 0, 0, &c));
}

TEST(DibTest, MasksAndShiftsFollowCompressionAndDepth) {
  DibPtr d16 = DibCreate(2, 1, 16);
  EXPECT_EQ(d16->masks[0], 0x7C00u);
  EXPECT_EQ(d16->right_shifts[0], 10);
  EXPECT_EQ(d16->left_shifts[1], 3);
  DibPtr d32 = DibCreate(2, 1, 32);
  EXPECT_EQ(d32->masks[2], 0xFFu);
  EXPECT_EQ(d32->right_shifts[0], 16);
  EXPECT_EQ(d32->left_shifts[0], 0);
  DibPtr d8 = DibCreate(2, 1, 8);
  EXPECT_EQ(d8->masks[0], 0u);
  EXPECT_EQ(d8->left_shifts[0], 0);

  DibInfo info;
  info.header.width = 2;
  info.header.height = 1;
  info.header.bit_count = 16;
  info.header.compression = kDibBitfields;
  info.masks[0] = 0xF800;
  info.masks[1] = 0x07E0;
  info.masks[2] = 0x001F;
  DibPtr d565 = DibCreateFromInfo(info);
  ASSERT_NE(d565, nullptr);
  EXPECT_EQ(d565->right_shifts[1], 5);
  EXPECT_EQ(d565->left_shifts[1], 2);
  EXPECT_EQ(DibHeaderBytes(d565.get()), 52u);
  // 0xFFE0: red 31, green 63, blue 0.
  ASSERT_TRUE(DibSetPixel(d565.get(), 1, 0, 0xFFE0));
  DibColor c;
  ASSERT_TRUE(DibGetColor(d565.get(), 1, 0, &c));
  EXPECT_EQ(c, (DibColor{0, 252, 248, 0}));
  ASSERT_TRUE(DibSetColor(d565.get(), 0, 0, DibColor{0x08, 0x84, 0xFF, 0}));
  EXPECT_EQ(DibGetPixel(d565.get(), 0, 0), (31u << 11) | (33u << 5) | 1u);

  // Ten-bit channels are narrowed to their top eight bits.
  info.header.bit_count = 32;
  info.masks[0] = 0x3FF00000;
  info.masks[1] = 0x000FFC00;
  info.masks[2] = 0x000003FF;
  DibPtr d10 = DibCreateFromInfo(info);
  ASSERT_NE(d10, nullptr);
  EXPECT_EQ(d10->left_shifts[0], -2);
  ASSERT_TRUE(DibSetPixel(d10.get(), 0, 0, (0x3FFu << 20) | (0x200u << 10) | 0x004u));
  ASSERT_TRUE(DibGetColor(d10.get(), 0, 0, &c));
  EXPECT_EQ(c, (DibColor{0x01, 0x80, 0xFF, 0}));

  // Bit fields apply only to 16 and 32 bits.
  info.header.bit_count = 24;
  EXPECT_EQ(DibCreateFromInfo(info), nullptr);
}

TEST(DibTest, ThirtyTwoBitRgbKeepsTheReservedByte) {
  DibPtr dib = DibCreate(1, 1, 32);
  ASSERT_TRUE(DibSetColor(dib.get(), 0, 0, DibColor{1, 2, 3, 4}));
  EXPECT_EQ(DibGetPixel(dib.get(), 0, 0), 0x04030201u);
  DibColor c;
  ASSERT_TRUE(DibGetColor(dib.get(), 0, 0, &c));
  EXPECT_EQ(c, (DibColor{1, 2, 3, 4}));
}

TEST(DibTest, CopyIsIndependentAndComplete) {
  DibPtr src = DibCreate(5, 3, 8, 16);
  ASSERT_TRUE(DibSetPaletteEntry(src.get(), 15, DibColor{9, 8, 7, 0}));
  ASSERT_TRUE(DibSetPixel(src.get(), 4, 2, 15));
  DibPtr copy = DibCopy(src.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(DibColorTableEntries(copy.get()), 16u);
  EXPECT_EQ(copy->pixels, src->pixels);
  DibColor c;
  ASSERT_TRUE(DibGetColor(copy.get(), 4, 2, &c));
  EXPECT_EQ(c, (DibColor{9, 8, 7, 0}));
  ASSERT_TRUE(DibSetPixel(copy.get(), 4, 2, 1));
  EXPECT_EQ(DibGetPixel(src.get(), 4, 2), 15u);
  // The copy's rows point into its own memory.
  EXPECT_EQ(DibPixelAddress(copy.get(), 0, 0), copy->pixels.data() + 2 * 8);
}

// An image its maker writes whole: the rows are laid out as DibCreate's, and the padding after
// each row's pixels is zero, so files written from it are the same each time.
TEST(DibTest, ImageToOverwriteHasZeroPadding) {
  for (const int width : {3, 4, 5}) {
    DibPtr dib = DibCreateToOverwrite(width, 2, 24);
    const DibPtr cleared = DibCreate(width, 2, 24);
    ASSERT_NE(dib, nullptr);
    ASSERT_EQ(dib->pixels.size(), cleared->pixels.size());
    EXPECT_EQ(dib->rows[0] - dib->pixels.data(), cleared->rows[0] - cleared->pixels.data());
    for (int y = 0; y < 2; ++y)
      for (std::size_t b = 3 * static_cast<std::size_t>(width); b < dib->pixels.size() / 2; ++b)
        EXPECT_EQ(dib->rows[static_cast<std::size_t>(y)][b], 0) << width << " row " << y;
  }
}

TEST(DibTest, AbsentImagePassesThroughAsFailure) {
  const Dib* none = nullptr;
  Dib dead;  // never made by DibCreate: no signature
  for (const Dib* d : {none, static_cast<const Dib*>(&dead)}) {
    EXPECT_EQ(DibCopy(d), nullptr);
    EXPECT_EQ(DibWidth(d), 0);
    EXPECT_EQ(DibHeight(d), 0);
    EXPECT_EQ(DibStride(d), 0);
    EXPECT_EQ(DibPackedSize(d), 0u);
    EXPECT_EQ(DibPixelAddress(d, 0, 0), nullptr);
    EXPECT_EQ(DibGetPixel(d, 0, 0), 0u);
    DibColor c;
    EXPECT_FALSE(DibGetColor(d, 0, 0, &c));
    EXPECT_FALSE(DibGetPaletteEntry(d, 0, &c));
  }
  EXPECT_FALSE(DibSetPixel(&dead, 0, 0, 1));
  EXPECT_FALSE(DibSetColor(&dead, 0, 0, DibColor{}));
  EXPECT_FALSE(DibSetPaletteEntry(&dead, 0, DibColor{}));
  DibPtr empty;
  EXPECT_FALSE(DibFree(empty));
  DibPtr live = DibCreate(1, 1, 24);
  EXPECT_TRUE(DibFree(live));
  EXPECT_EQ(live, nullptr);
}

}  // namespace
}  // namespace meridiana
