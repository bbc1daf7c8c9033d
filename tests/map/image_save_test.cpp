#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image_expected.h"
#include "map/dib_ops.h"
#include "map/image_load.h"

namespace meridiana {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, std::size_t at) {
  return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

class ImageSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/meridiana-save-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
  std::string Path(const char* name) const { return folder_ + "/" + name; }
  bool Exists(const std::string& path) const {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
  }
  std::string folder_;
};

TEST_F(ImageSaveTest, LoaderMadeMapImageHasTheKnownLayout) {
  DibPtr dib = DibCreateForDecoder(1024, 512, kMapPictureMaxPixels);
  ASSERT_NE(dib, nullptr);
  for (int32_t y = 0; y < 512; y += 37)
    for (int32_t x = 0; x < 1024; x += 41) DibSetPixel(dib.get(), x, y, 0x010203u * (x % 80 + y));
  const std::string path = Path("map.bmp");
  ASSERT_TRUE(DibSaveBmp(dib.get(), path.c_str()));
  const std::vector<uint8_t> file = test::ReadBytes(path);
  ASSERT_EQ(file.size(), 54u + 1024u + 1572864u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(U32At(file, 2), 1573942u);
  EXPECT_EQ(U32At(file, 6), 0u);
  EXPECT_EQ(U32At(file, 10), 1078u);  // pixels after a zero colour table of 256 entries
  EXPECT_EQ(U32At(file, 14), 40u);
  EXPECT_EQ(U32At(file, 18), 1024u);
  EXPECT_EQ(U32At(file, 22), 512u);  // positive: bottom-up
  EXPECT_EQ(U32At(file, 28) & 0xFFFF, 24u);
  EXPECT_EQ(U32At(file, 46), 256u);
  for (std::size_t i = 54; i < 1078; ++i) ASSERT_EQ(file[i], 0) << i;
  EXPECT_TRUE(std::equal(dib->pixels.begin(), dib->pixels.end(), file.begin() + 1078));

  DibPtr back = DibLoad(path.c_str(), kAnyPictureMaxPixels);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->pixels, dib->pixels);
}

TEST_F(ImageSaveTest, ColourTablesAndMasksAreWritten) {
  DibPtr indexed = DibCreate(3, 2, 8, 3);
  ASSERT_TRUE(DibSetPaletteEntry(indexed.get(), 2, DibColor{1, 2, 3, 0}));
  ASSERT_TRUE(DibSetPixel(indexed.get(), 2, 0, 2));
  ASSERT_TRUE(DibSaveBmp(indexed.get(), Path("indexed.bmp").c_str()));
  const std::vector<uint8_t> file = test::ReadBytes(Path("indexed.bmp"));
  ASSERT_EQ(file.size(), 14u + 40u + 12u + 8u);
  EXPECT_EQ(U32At(file, 10), 66u);
  EXPECT_EQ(U32At(file, 54 + 8), 0x00030201u);
  DibPtr back = DibLoad(Path("indexed.bmp").c_str(), kAnyPictureMaxPixels);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(DibGetPixel(back.get(), 2, 0), 0x030201u);
  EXPECT_EQ(DibGetPixel(back.get(), 0, 1), 0u);

  DibInfo info;
  info.header.width = 2;
  info.header.height = 1;
  info.header.bit_count = 16;
  info.header.compression = kDibBitfields;
  info.masks[0] = 0xF800;
  info.masks[1] = 0x07E0;
  info.masks[2] = 0x001F;
  DibPtr words = DibCreateFromInfo(info);
  ASSERT_TRUE(DibSetPixel(words.get(), 1, 0, 0xF81F));  // red and blue full, no green
  ASSERT_TRUE(DibSaveBmp(words.get(), Path("words.bmp").c_str()));
  const std::vector<uint8_t> packed = test::ReadBytes(Path("words.bmp"));
  ASSERT_EQ(packed.size(), 14u + 40u + 12u + 4u);
  EXPECT_EQ(U32At(packed, 54), 0xF800u);
  EXPECT_EQ(U32At(packed, 62), 0x001Fu);
  back = DibLoad(Path("words.bmp").c_str(), kAnyPictureMaxPixels);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(DibGetPixel(back.get(), 1, 0), 0xFF00FFu);
}

TEST_F(ImageSaveTest, FailureLeavesNothingBehind) {
  DibPtr dib = DibCreate(4, 4, 24);
  const std::string missing_folder = Path("no/such/folder/out.bmp");
  EXPECT_FALSE(DibSaveBmp(dib.get(), missing_folder.c_str()));
  EXPECT_FALSE(Exists(missing_folder));
  EXPECT_FALSE(DibSaveBmp(nullptr, Path("none.bmp").c_str()));
  EXPECT_FALSE(Exists(Path("none.bmp")));
  EXPECT_FALSE(DibSaveBmp(dib.get(), nullptr));

  // An existing file is replaced whole.
  const std::string path = Path("again.bmp");
  DibPtr big = DibCreate(64, 64, 24, 256);
  ASSERT_TRUE(DibSaveBmp(big.get(), path.c_str()));
  ASSERT_TRUE(DibSaveBmp(dib.get(), path.c_str()));
  EXPECT_EQ(test::ReadBytes(path).size(), 54u + 4u * 12u);
}

}  // namespace
}  // namespace meridiana
