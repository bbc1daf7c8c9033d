#include "world/utc_offset.h"

#include <gtest/gtest.h>

#include "world/zone_colour.h"

namespace meridiana {
namespace {

TEST(ZoneHoursOfColour, TableEdgesAndUnknownColours) {
  const struct {
    unsigned char r, g, b;
    float hours;
  } cases[] = {
      {181, 181, 181, -12.0f}, {255, 255, 255, 13.0f}, {189, 148, 33, 12.75f},
      {41, 25, 148, 0.0f},     {16, 206, 255, 0.0f},   {214, 173, 156, 5.75f},
      {156, 132, 173, -3.5f},  {115, 173, 123, -9.5f}, {132, 74, 156, 11.5f},
      {0, 0, 255, -5.0f},      {255, 0, 0, -4.0f},     {0, 0, 0, 0.0f},
      {181, 181, 180, 0.0f},   {255, 0, 254, 0.0f},
      // Appended for the offsets the first 37 colours cannot show.
      {66, 99, 198, 12.0f},    {165, 66, 66, 14.0f},   {148, 198, 99, 8.75f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b));
    EXPECT_EQ(ZoneHoursOfColour(c.r, c.g, c.b), c.hours);
  }
}

TEST(ZoneHoursOfColour, EveryColourIsReachable) {
  // A duplicated colour would hide the later entry behind the first.
  for (std::size_t i = 0; i < kZoneColours.size(); ++i) {
    const ZoneColour& c = kZoneColours[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(ZoneHoursOfColour(c.red, c.green, c.blue), c.hours);
  }
}

TEST(UtcOffsetAt, ReadsTheBlueGreenRedPixelOfTheTopDownRow) {
  DibPtr image = DibCreate(3, 2, 24);
  ASSERT_TRUE(image);
  // Top row: -12, +12.75; bottom row: +5.75 at x = 2.
  ASSERT_TRUE(DibSetColor(image.get(), 0, 0, DibColor{181, 181, 181, 0}));
  ASSERT_TRUE(DibSetColor(image.get(), 1, 0, DibColor{33, 148, 189, 0}));  // blue, green, red
  ASSERT_TRUE(DibSetColor(image.get(), 2, 1, DibColor{156, 173, 214, 0}));
  EXPECT_EQ(UtcOffsetAt(image.get(), 0, 0), -12.0f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 1, 0), 12.75f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 2, 1), 5.75f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 2, 0), 0.0f);  // black
  // Outside the image, or no image at all.
  EXPECT_EQ(UtcOffsetAt(image.get(), 3, 0), 0.0f);
  EXPECT_EQ(UtcOffsetAt(image.get(), -1, 0), 0.0f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 0, 2), 0.0f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 0, -1), 0.0f);
  EXPECT_EQ(UtcOffsetAt(nullptr, 0, 0), 0.0f);
}

TEST(UtcOffsetAt, PaletteImage) {
  DibPtr image = DibCreate(2, 1, 8);
  ASSERT_TRUE(image);
  ASSERT_TRUE(DibSetPaletteEntry(image.get(), 7, DibColor{255, 255, 255, 0}));
  ASSERT_TRUE(DibSetPixel(image.get(), 1, 0, 7));
  EXPECT_EQ(UtcOffsetAt(image.get(), 1, 0), 13.0f);
  EXPECT_EQ(UtcOffsetAt(image.get(), 0, 0), 0.0f);
}

TEST(OffsetSeconds, TruncatesTowardZero) {
  EXPECT_EQ(OffsetSeconds(5.75f), 20700);
  EXPECT_EQ(OffsetSeconds(-3.5f), -12600);
  EXPECT_EQ(OffsetSeconds(12.75f), 45900);
  EXPECT_EQ(OffsetSeconds(-12.0f), -43200);
  EXPECT_EQ(OffsetSeconds(1.0f / 7200.0f * 1.5f), 0);  // under a second
  EXPECT_EQ(OffsetSeconds(-1.0f / 7200.0f * 1.5f), 0);
}

}  // namespace
}  // namespace meridiana
