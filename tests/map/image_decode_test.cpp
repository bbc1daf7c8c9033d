#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "image_expected.h"
#include "map/image_load.h"

namespace meridiana {
namespace {

using test::ImageFixture;

constexpr const char* kFixtures[] = {
    "png_rgb8.png",       "png_rgba8.png",        "png_grey4.png",        "png_greyalpha8.png",
    "png_interlaced.png", "png_palette_trns.png", "png_rgb16.png",        "png_gamma.png",
    "jpeg_rgb.jpg",       "jpeg_grey.jpg",        "jpeg_progressive.jpg", "jpeg_cmyk.jpg",
    "gif_basic.gif",      "gif_transparent.gif",  "gif_interlaced.gif",   "gif_animated.gif",
    "bmp_rgb24.bmp",      "bmp_pal8.bmp",         "bmp_pal4.bmp",         "bmp_mono1.bmp",
    "bmp_rle8.bmp",       "bmp_rle4.bmp",         "bmp_rle8_delta.bmp",   "bmp_core24.bmp",
    "bmp_555.bmp",        "bmp_565.bmp",          "bmp_rgb16.bmp",        "bmp_topdown24.bmp",
    "bmp_rgb32.bmp",      "bmp_bitfields32.bmp",
};

std::string ExpectedFor(const std::string& name) {
  return ImageFixture(name.substr(0, name.rfind('.')) + ".ppm");
}

TEST(ImageDecodeTest, EveryVariantMatchesASecondDecoder) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    const auto expected = test::ReadPpm(ExpectedFor(name));
    ASSERT_TRUE(expected.has_value());
    DibPtr dib = DibLoad(ImageFixture(name).c_str(), kAnyPictureMaxPixels);
    ASSERT_TRUE(DibIsValid(dib.get()));
    // The shape every loader promises.
    EXPECT_EQ(DibBitsPerPixel(dib.get()), 24);
    EXPECT_GT(dib->header.height, 0);  // bottom-up
    EXPECT_EQ(dib->header.compression, kDibRgb);
    EXPECT_EQ(DibColorTableEntries(dib.get()), 256u);
    EXPECT_TRUE(test::PixelsMatch(dib.get(), *expected, 0));
  }
}

// Variants of one picture must agree exactly: alpha is dropped rather than blended, and the
// storage order, header form and pixel layout of a BMP change nothing.
TEST(ImageDecodeTest, LosslessVariantsOfOnePictureAgree) {
  DibPtr reference = DibLoad(ImageFixture("png_rgb8.png").c_str(), kAnyPictureMaxPixels);
  ASSERT_NE(reference, nullptr);
  for (const char* name :
       {"png_rgba8.png", "png_interlaced.png", "bmp_rgb24.bmp", "bmp_topdown24.bmp",
        "bmp_core24.bmp", "bmp_rgb32.bmp", "bmp_bitfields32.bmp"}) {
    SCOPED_TRACE(name);
    DibPtr dib = DibLoad(ImageFixture(name).c_str(), kAnyPictureMaxPixels);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->pixels, reference->pixels);
  }
}

TEST(ImageDecodeTest, GreyPicturesComeOutWithEqualChannels) {
  for (const char* name : {"png_grey4.png", "png_greyalpha8.png", "jpeg_grey.jpg"}) {
    SCOPED_TRACE(name);
    DibPtr dib = DibLoad(ImageFixture(name).c_str(), kAnyPictureMaxPixels);
    ASSERT_NE(dib, nullptr);
    bool varied = false;
    for (int y = 0; y < DibHeight(dib.get()); ++y) {
      for (int x = 0; x < DibWidth(dib.get()); ++x) {
        const uint8_t* p = DibPixelAddress(dib.get(), x, y);
        ASSERT_EQ(p[0], p[1]);
        ASSERT_EQ(p[1], p[2]);
        varied = varied || p[0] != DibPixelAddress(dib.get(), 0, 0)[0];
      }
    }
    EXPECT_TRUE(varied);
  }
}

TEST(ImageDecodeTest, TransparentGifColourIsWhite) {
  DibPtr plain = DibLoad(ImageFixture("gif_basic.gif").c_str(), kAnyPictureMaxPixels);
  DibPtr clear = DibLoad(ImageFixture("gif_transparent.gif").c_str(), kAnyPictureMaxPixels);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(DibGetPixel(clear.get(), 3, 2), 0xFFFFFFu);
  EXPECT_NE(DibGetPixel(plain.get(), 3, 2), 0xFFFFFFu);
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/meridiana-image-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  std::string Copy(const std::string& fixture, const std::string& name) const {
    const std::vector<uint8_t> bytes = test::ReadBytes(ImageFixture(fixture));
    const std::string target = path_ + "/" + name;
    std::ofstream(target, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return target;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(ImageDecodeTest, ExtensionChoosesTheReader) {
  TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  struct Case {
    const char* fixture;
    const char* name;
    bool loads;
  };
  const Case cases[] = {
      {"png_rgb8.png", "upper.PNG", true},
      {"png_rgb8.png", "mixed.Png", true},
      {"jpeg_rgb.jpg", "photo.JPEG", true},
      {"jpeg_rgb.jpg", "photo.jpeg", true},
      {"gif_basic.gif", "anim.GIF", true},
      {"bmp_rgb24.bmp", "plain.Bmp", true},
      {"png_rgb8.png", "picture.tif", false},
      {"png_rgb8.png", "noextension", false},
      {"png_rgb8.png", "png", false},
      // The picture reader knows pictures by their content, but not PNG.
      {"gif_basic.gif", "really_a_gif.bmp", true},
      {"bmp_rgb24.bmp", "really_a_bmp.jpg", true},
      {"png_rgb8.png", "really_a_png.jpg", false},
      // The PNG reader wants the PNG signature.
      {"jpeg_rgb.jpg", "really_a_jpeg.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DibPtr dib = DibLoad(folder.Copy(c.fixture, c.name).c_str(), kAnyPictureMaxPixels);
    EXPECT_EQ(dib != nullptr, c.loads);
  }
  EXPECT_EQ(DibLoad((folder.path() + "/missing.png").c_str(), kAnyPictureMaxPixels), nullptr);
  EXPECT_EQ(DibLoad(folder.path().c_str(), kAnyPictureMaxPixels), nullptr);
  EXPECT_EQ(DibLoad(nullptr, kAnyPictureMaxPixels), nullptr);
}

}  // namespace
}  // namespace meridiana
