#include "shell/window/map_pixels.h"

#include <gtest/gtest.h>

#include <QColor>

namespace meridiana {
namespace {

DibColor PatternColour(int x, int y) {
  return {static_cast<uint8_t>(10 + x), static_cast<uint8_t>(100 + y),
          static_cast<uint8_t>(200 + x + y)};
}

// Both row orders of a 24-bit image, with a width whose rows carry padding: the Qt image must
// show every pixel where the Dib has it, red and blue not swapped.
TEST(DibToQImage, TopDownAndBottomUpRowsWithPadding) {
  for (const int32_t storedHeight : {3, -3}) {
    DibInfo info;
    info.header.width = 5;
    info.header.height = storedHeight;
    info.header.bit_count = 24;
    DibPtr dib = DibCreateFromInfo(info);
    ASSERT_TRUE(dib);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) ASSERT_TRUE(DibSetColor(dib.get(), x, y, PatternColour(x, y)));
    }
    const QImage image = DibToQImage(dib.get());
    ASSERT_EQ(image.size(), QSize(5, 3)) << storedHeight;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const DibColor want = PatternColour(x, y);
        const QColor got = image.pixelColor(x, y);
        EXPECT_EQ(got, QColor(want.red, want.green, want.blue))
            << "stored height " << storedHeight << " at " << x << "," << y;
      }
    }
    // The image owns its pixels: the Dib may go away while the screen still uses them.
    const QColor before = image.pixelColor(4, 2);
    dib.reset();
    EXPECT_EQ(image.pixelColor(4, 2), before);
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
