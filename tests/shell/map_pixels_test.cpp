#include "shell/window/map_pixels.h"

#include <gtest/gtest.h>

#include <QColor>
#include <utility>

namespace meridiana {
namespace {

DibColor PatternColour(int x, int y) {
  return {static_cast<uint8_t>(10 + x), static_cast<uint8_t>(100 + y),
          static_cast<uint8_t>(200 + x + y)};
}

// Both row orders of a 24-bit image, with widths whose rows carry padding (one narrower than a
// four-pixel step, one with steps and a tail): the Qt image must show every pixel where the Dib
// has it, red and blue not swapped, opaque.
TEST(DibToQImage, TopDownAndBottomUpRowsWithPadding) {
  for (const auto& [width, storedHeight] : {std::pair{5, 3}, std::pair{5, -3}, std::pair{13, 3}}) {
    DibInfo info;
    info.header.width = width;
    info.header.height = storedHeight;
    info.header.bit_count = 24;
    DibPtr dib = DibCreateFromInfo(info);
    ASSERT_TRUE(dib);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x)
        ASSERT_TRUE(DibSetColor(dib.get(), x, y, PatternColour(x, y)));
    }
    const QImage image = DibToQImage(dib.get());
    ASSERT_EQ(image.size(), QSize(width, 3)) << storedHeight;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        const DibColor want = PatternColour(x, y);
        const QColor got = image.pixelColor(x, y);
        EXPECT_EQ(got, QColor(want.red, want.green, want.blue, 255))
            << "stored height " << storedHeight << " at " << x << "," << y;
      }
    }
    // The image owns its pixels: the Dib may go away while the screen still uses them.
    const QColor before = image.pixelColor(width - 1, 2);
    dib.reset();
    EXPECT_EQ(image.pixelColor(width - 1, 2), before);
  }
}

TEST(DibToQImage, NothingForAbsentOrOtherDepths) {
  EXPECT_TRUE(DibToQImage(nullptr).isNull());
  DibPtr palette = DibCreate(4, 4, 8);
  ASSERT_TRUE(palette);
  EXPECT_TRUE(DibToQImage(palette.get()).isNull());
}

}  // namespace
}  // namespace meridiana
