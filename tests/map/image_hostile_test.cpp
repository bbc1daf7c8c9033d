// Damaged and hostile pictures: every cut-off prefix and every single-bit flip of every fixture,
// and hand-made headers that ask for too much. None may crash; cut-off files give no image.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image_expected.h"
#include "map/image_load.h"

namespace meridiana {
namespace {

using Decoder = DibPtr (*)(const uint8_t*, std::size_t, int64_t);

struct Picture {
  std::string name;
  Decoder decode;
  std::vector<uint8_t> bytes;
};

std::vector<Picture> AllFixtures() {
  std::vector<Picture> pictures;
  for (const auto& entry : std::filesystem::directory_iterator(test::ImageFixture(""))) {
    const std::string ext = entry.path().extension().string();
    Decoder decode = ext == ".png"   ? DibDecodePng
                     : ext == ".jpg" ? DibDecodeJpeg
                     : ext == ".gif" ? DibDecodeGif
                     : ext == ".bmp" ? DibDecodeBmp
                                     : nullptr;
    if (decode != nullptr)
      pictures.push_back({entry.path().filename().string(), decode, test::ReadBytes(entry.path())});
  }
  return pictures;
}

// An image a decoder may make from damaged input: well formed and inside the bounds.
bool SaneOrAbsent(const DibPtr& dib) {
  if (!dib) return true;
  return DibIsValid(dib.get()) && DibBitsPerPixel(dib.get()) == 24 && DibWidth(dib.get()) > 0 &&
         DibWidth(dib.get()) <= kDibMaxSide && DibHeight(dib.get()) <= kDibMaxSide;
}

TEST(ImageHostileTest, EveryCutOffPrefixGivesNoImage) {
  const std::vector<Picture> pictures = AllFixtures();
  ASSERT_GE(pictures.size(), 30u);
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    ASSERT_NE(p.decode(p.bytes.data(), p.bytes.size(), kAnyPictureMaxPixels), nullptr);
    for (std::size_t length = 0; length < p.bytes.size(); ++length) {
      // A copy of exactly that length, so that reading past it is caught by the sanitizers.
      const std::vector<uint8_t> cut(p.bytes.begin(), p.bytes.begin() + static_cast<long>(length));
      EXPECT_TRUE(p.decode(cut.data(), cut.size(), kAnyPictureMaxPixels) == nullptr)
          << "length " << length;
    }
  }
}

TEST(ImageHostileTest, SingleBitFlipsNeverCrash) {
  for (const Picture& p : AllFixtures()) {
    SCOPED_TRACE(p.name);
    std::vector<uint8_t> bytes = p.bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      for (int bit = 0; bit < 8; ++bit) {
        bytes[i] ^= static_cast<uint8_t>(1u << bit);
        const DibPtr dib = p.decode(bytes.data(), bytes.size(), kAnyPictureMaxPixels);
        EXPECT_TRUE(SaneOrAbsent(dib)) << "byte " << i << " bit " << bit;
        // PNG chunks carry checksums: without ancillary chunks (whose damage is only a warning),
        // any flip is detected.
        if (p.decode == DibDecodePng && p.name != "png_gamma.png" &&
            p.name != "png_palette_trns.png") {
          EXPECT_TRUE(dib == nullptr) << "byte " << i << " bit " << bit;
        }
        bytes[i] ^= static_cast<uint8_t>(1u << bit);
      }
    }
  }
}

void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 2x2, 24-bit BMP: 54 header bytes and two rows of 8 bytes.
std::vector<uint8_t> SmallBmp() {
  std::vector<uint8_t> b(54 + 16, 0x40);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 70);
  Put32(b, 6, 0);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, 2);
  Put32(b, 22, 2);
  b[26] = 1;
  b[27] = 0;
  b[28] = 24;
  b[29] = 0;
  for (std::size_t at = 30; at < 54; at += 4) Put32(b, at, 0);
  return b;
}

TEST(ImageHostileTest, BmpHeadersOutsideWhatCanBeReadAreRefused) {
  ASSERT_NE(DibDecodeBmp(SmallBmp().data(), 70), nullptr);
  struct Case {
    const char* what;
    std::size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"zero width", 18, 0},
      {"too wide", 18, 20000},
      {"too tall", 22, 20000},
      {"tallest negative height", 22, 0x80000000u},
      {"two bits per pixel", 28, 2},
      {"embedded JPEG", 30, 4},
      {"RLE8 at 24 bits", 30, 1},
      {"bit fields at 24 bits", 30, 3},
      {"pixels past the end", 10, 60},
      {"pixel offset far away", 10, 0xFFFFFFF0u},
      {"header size unknown", 14, 20},
      {"header longer than the file", 14, 124},
      {"wide enough to overflow a row", 18, 0x7FFFFFFF},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = SmallBmp();
    if (c.at == 28)
      b[28] = static_cast<uint8_t>(c.value);
    else
      Put32(b, c.at, c.value);
    EXPECT_EQ(DibDecodeBmp(b.data(), b.size()), nullptr) << c.what;
  }
  // Within bounds per side, but 16000 x 16000 pixels exceed the memory bound.
  std::vector<uint8_t> big = SmallBmp();
  Put32(big, 18, 16000);
  Put32(big, 22, 16000);
  EXPECT_EQ(DibDecodeBmp(big.data(), big.size()), nullptr);
}

TEST(ImageHostileTest, BmpOddButHarmlessFieldsStillLoad) {
  // A colour count beyond what 8 bits can index, and gaps in the bit-field masks.
  std::vector<uint8_t> b = SmallBmp();
  b[28] = 8;
  Put32(b, 46, 0xFFFFFFFFu);
  EXPECT_TRUE(SaneOrAbsent(DibDecodeBmp(b.data(), b.size())));
  std::vector<uint8_t> masks = SmallBmp();
  masks[28] = 32;
  Put32(masks, 30, 3);
  masks.resize(54 + 12 + 16, 0);
  Put32(masks, 10, 66);
  Put32(masks, 54, 0x00F0F000);  // a red mask with a hole: not a channel
  EXPECT_EQ(DibDecodeBmp(masks.data(), masks.size()), nullptr);
}

TEST(ImageHostileTest, RunLengthCodesCannotWriteOutsideThePicture) {
  // A 3x2 RLE8 picture whose runs, moves and literals all reach past its edges.
  std::vector<uint8_t> b = SmallBmp();
  Put32(b, 18, 3);
  b[28] = 8;
  Put32(b, 30, 1);
  Put32(b, 46, 2);
  b.resize(54);
  const uint8_t palette[] = {0, 0, 0, 0, 255, 255, 255, 0};
  b.insert(b.end(), palette, palette + 8);
  Put32(b, 10, static_cast<uint32_t>(b.size()));
  const uint8_t codes[] = {255, 1, 0, 2, 200, 0, 0, 9, 1, 1, 1, 1, 1,   1, 1, 1,
                           1,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0, 0, 255, 1, 0, 1};
  b.insert(b.end(), codes, codes + sizeof codes);
  const DibPtr dib = DibDecodeBmp(b.data(), b.size());
  EXPECT_TRUE(SaneOrAbsent(dib));
}

// Rewrites the big-endian width and height of a JPEG's frame header.
// The caller's pixel budget holds for every format: a picture of exactly the budget loads, one
// pixel over it does not.
TEST(ImageHostileTest, PixelBudgetIsExactForEveryDecoder) {
  for (const Picture& p : AllFixtures()) {
    SCOPED_TRACE(p.name);
    const DibPtr whole = p.decode(p.bytes.data(), p.bytes.size(), kAnyPictureMaxPixels);
    ASSERT_NE(whole, nullptr);
    const int64_t pixels = int64_t{DibWidth(whole.get())} * DibHeight(whole.get());
    EXPECT_NE(p.decode(p.bytes.data(), p.bytes.size(), pixels), nullptr);
    EXPECT_EQ(p.decode(p.bytes.data(), p.bytes.size(), pixels - 1), nullptr);
  }
}

// 35 bytes that declare an 8000 x 8000 screen around one pixel: a map picture never gets that big.
TEST(ImageHostileTest, TinyGifWithAHugeScreenIsRefusedForTheMap) {
  const std::vector<uint8_t> bomb = {
      'G',  'I', 'F',  '8',  '9',  'a',  0x40, 0x1F, 0x40, 0x1F, 0x80, 0, 0,  // screen, 2 colours
      0,    0,   0,    0xFF, 0xFF, 0xFF,                                      // colour table
      0x2C, 0,   0,    0,    0,    1,    0,    1,    0,    0,                 // 1 x 1 frame at 0, 0
      2,    2,   0x44, 0x01, 0,                                               // its pixel data
      0x3B};
  ASSERT_EQ(bomb.size(), 35u);
  EXPECT_EQ(DibDecodeGif(bomb.data(), bomb.size(), kMapPictureMaxPixels), nullptr);
  // The frame itself is sound: on a screen of its own size it decodes.
  std::vector<uint8_t> small = bomb;
  small[6] = small[8] = 1;
  small[7] = small[9] = 0;
  const DibPtr dib = DibDecodeGif(small.data(), small.size(), kMapPictureMaxPixels);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(DibWidth(dib.get()), 1);
}

TEST(ImageHostileTest, OversizedJpegFrameIsRefused) {
  std::vector<uint8_t> b = test::ReadBytes(test::ImageFixture("jpeg_rgb.jpg"));
  std::size_t sof = 2;
  while (sof + 9 < b.size() && !(b[sof] == 0xFF && (b[sof + 1] == 0xC0 || b[sof + 1] == 0xC2)))
    ++sof;
  ASSERT_LT(sof + 9, b.size());
  b[sof + 5] = 0x4E;  // height 20000
  b[sof + 6] = 0x20;
  EXPECT_EQ(DibDecodeJpeg(b.data(), b.size()), nullptr);
  b[sof + 5] = 0x3E;  // 16000 x 16000: within the side bound, over the memory bound
  b[sof + 6] = 0x80;
  b[sof + 7] = 0x3E;
  b[sof + 8] = 0x80;
  EXPECT_EQ(DibDecodeJpeg(b.data(), b.size()), nullptr);
  b[sof + 5] = 0x1F;  // 8000 x 8000: a picture, but not one for the map
  b[sof + 6] = 0x40;
  b[sof + 7] = 0x1F;
  b[sof + 8] = 0x40;
  EXPECT_EQ(DibDecodeJpeg(b.data(), b.size(), kMapPictureMaxPixels), nullptr);
}

TEST(ImageHostileTest, OversizedGifScreenIsRefused) {
  std::vector<uint8_t> b = test::ReadBytes(test::ImageFixture("gif_basic.gif"));
  b[6] = 0x20;  // screen width 20000, little-endian
  b[7] = 0x4E;
  EXPECT_EQ(DibDecodeGif(b.data(), b.size()), nullptr);
}

uint32_t Crc(const uint8_t* data, std::size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

TEST(ImageHostileTest, OversizedPngHeaderIsRefused) {
  const std::vector<uint8_t> original = test::ReadBytes(test::ImageFixture("png_rgb8.png"));
  struct Size {
    uint32_t width, height;
    bool loads;
  };
  // The first, unchanged size shows that the rewritten header passes its checksum.
  for (const Size& size : {Size{13, 7, true}, Size{20000, 7, false}, Size{16000, 16000, false}}) {
    std::vector<uint8_t> b = original;
    for (int i = 0; i < 4; ++i) {  // big-endian width and height
      b[16 + i] = static_cast<uint8_t>(size.width >> (24 - 8 * i));
      b[20 + i] = static_cast<uint8_t>(size.height >> (24 - 8 * i));
    }
    const uint32_t crc = Crc(b.data() + 12, 17);  // chunk type and body
    for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    EXPECT_EQ(DibDecodePng(b.data(), b.size()) != nullptr, size.loads) << size.width;
  }
}

}  // namespace
}  // namespace meridiana
