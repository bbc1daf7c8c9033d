#include "map/png_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "map/image_load.h"
#include "support/same_pixels.h"

namespace meridiana {
namespace {

DibPtr Pattern(int w, int h) {
  DibPtr dib = DibCreate(w, h, 24, 256);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = dib->rows[y] + 3 * x;
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 13);
      p[2] = static_cast<uint8_t>(x ^ y);
    }
  }
  return dib;
}

using test::SamePixels;

TEST(PngWriter, DecodesToTheSamePixelsAtEverySetting) {
  // Fewer rows than bands, rows that do not divide into the bands, and a picture large enough
  // for the bands to be deflated on threads.
  for (const auto& size : {std::pair{1, 1}, std::pair{3, 5}, std::pair{257, 31}, std::pair{5, 3},
                           std::pair{1021, 97}}) {
    const DibPtr image = Pattern(size.first, size.second);
    for (const PngOptions options : {PngOptions{}, PngOptions{0, false}, PngOptions{9, true},
                                     PngOptions{6, false}, kSmallestPng}) {
      std::string bytes;
      ASSERT_TRUE(EncodePng(image.get(), &bytes, options));
      ASSERT_GT(bytes.size(), 8u);
      EXPECT_EQ(bytes.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
      const DibPtr back =
          DibDecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ASSERT_TRUE(back);
      EXPECT_TRUE(SamePixels(image.get(), back.get()))
          << size.first << "x" << size.second << " level " << options.compressionLevel;
    }
  }
}

TEST(PngWriter, RefusesWhatItCannotWriteAndLeavesTheOutputAlone) {
  std::string bytes = "keep";
  EXPECT_FALSE(EncodePng(nullptr, &bytes));
  const DibPtr grey = DibCreate(4, 4, 8);
  EXPECT_FALSE(EncodePng(grey.get(), &bytes));
  const DibPtr image = Pattern(4, 4);
  EXPECT_FALSE(EncodePng(image.get(), &bytes, PngOptions{12, true}));
  EXPECT_EQ(bytes, "keep");
  EXPECT_FALSE(SavePng(image.get(), "/nonexistent-folder/map.png"));
}

TEST(PngWriter, SavesAFileTheLoaderReads) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "meridiana_png_writer_test.png";
  const DibPtr image = Pattern(64, 32);
  ASSERT_TRUE(SavePng(image.get(), path.c_str()));
  const DibPtr back = DibLoad(path.c_str(), kAnyPictureMaxPixels);
  std::filesystem::remove(path);
  ASSERT_TRUE(back);
  EXPECT_TRUE(SamePixels(image.get(), back.get()));
}

}  // namespace
}  // namespace meridiana
