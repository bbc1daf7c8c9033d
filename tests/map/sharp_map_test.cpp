#include "map/sharp_map.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "foundation/clock.h"

namespace meridiana {
namespace {

// A picture whose every pixel tells where it lies: blue and green from the column, red from the
// row, so a sample taken from the wrong place shows.
DibPtr Pattern(int width, int height) {
  DibPtr dib = DibCreate(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = dib->rows[static_cast<std::size_t>(y)] + 3 * x;
      p[0] = static_cast<uint8_t>(x * 7);
      p[1] = static_cast<uint8_t>(x / 5);
      p[2] = static_cast<uint8_t>(y * 3);
    }
  return dib;
}

DibPtr Filled(int width, int height, std::function<int(int x)> value) {
  DibPtr dib = DibCreate(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      std::memset(dib->rows[static_cast<std::size_t>(y)] + 3 * x, value(x), 3);
  return dib;
}

const uint8_t* Pixel(const Dib* dib, int x, int y) {
  return dib->rows[static_cast<std::size_t>(y)] + 3 * x;
}

TEST(SampleForFrame, PictureAtTheFramesOwnResolutionComesOutUnchanged) {
  // Scale 4 from a 4096-wide picture: every device pixel's centre is a picture pixel's centre,
  // so nothing may be blended, shifted or mirrored.
  const DibPtr picture = Pattern(4096, 2048);
  const DibPtr out = SampleForFrame(picture.get(), WholeMapFrame(4));
  ASSERT_TRUE(out);
  ASSERT_EQ(DibWidth(out.get()), 4096);
  ASSERT_EQ(DibHeight(out.get()), 2048);
  for (int y = 0; y < 2048; ++y)
    ASSERT_EQ(std::memcmp(out->rows[static_cast<std::size_t>(y)],
                          picture->rows[static_cast<std::size_t>(y)], 4096 * 3),
              0)
        << "row " << y;
}

TEST(SampleForFrame, FiltersAcrossTheDateLineAndLeavesOffTheMapBlack) {
  // Column 0 black, column 1023 240, the rest 100. A device pixel a quarter of a base pixel
  // east of -180 lies between the last column and the first, as the Earth goes round: a
  // quarter of 240, where clamping at the edge would give the first column's black.
  const DibPtr picture = Filled(1024, 512, [](int x) {
    return x == 0 ? 0 : x == 1023 ? 240 : 100;
  });
  SharpFrame frame;
  frame.width = 8;
  frame.height = 4;
  frame.step = 0.5;
  const DibPtr atEdge = SampleForFrame(picture.get(), frame);
  ASSERT_TRUE(atEdge);
  EXPECT_EQ(Pixel(atEdge.get(), 0, 1)[0], 60);   // 0.25 x 240 + 0.75 x 0
  EXPECT_EQ(Pixel(atEdge.get(), 1, 1)[2], 25);   // 0.75 x 0 + 0.25 x 100
  EXPECT_EQ(Pixel(atEdge.get(), 4, 1)[1], 100);  // well inside

  // A frame that runs past the east edge and below the south pole: black there, map before.
  frame.left = 1020;
  frame.top = 508;
  frame.step = 1;
  const DibPtr beyond = SampleForFrame(picture.get(), frame);
  ASSERT_TRUE(beyond);
  EXPECT_EQ(Pixel(beyond.get(), 2, 2)[0], 100);
  for (int x = 4; x < 8; ++x) EXPECT_EQ(Pixel(beyond.get(), x, 1)[0], 0) << x;
  const int lastRow[] = {100, 100, 100, 240, 0, 0, 0, 0};  // column 1023 is the last on the map
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(beyond.get(), x, 3)[1], lastRow[x]) << x;

  frame.step = 0;
  EXPECT_FALSE(SampleForFrame(picture.get(), frame));
  EXPECT_FALSE(SampleForFrame(nullptr, WholeMapFrame(2)));
}

TEST(DetailLevels, EachStepSamplesTheLevelJustAboveIt) {
  DetailLevels levels;
  EXPECT_EQ(levels.ForStep(0.5), nullptr);
  levels.Put(Pattern(4096, 2048));
  struct Row {
    double step;
    int width;
  } rows[] = {
      {1.0, 2048},   // never below the base map's detail
      {0.8, 2048},   // zoom 1.25
      {0.5, 2048},   // scale 2: exactly the half
      {0.4, 4096},   // zoom 2.5 (a 2,560-pixel view of the whole map)
      {0.25, 4096},  // scale 4
      {0.1, 4096},   // beyond the sharpest: the sharpest
  };
  for (const Row& row : rows) {
    const Dib* level = levels.ForStep(row.step);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(DibWidth(level), row.width) << "step " << row.step;
    EXPECT_EQ(DibHeight(level), row.width / 2) << "step " << row.step;
  }
}

TEST(ComposeSharp, PartOfTheMapIsTheSameCutOfTheWholeAtThatScale) {
  // The window composes only what it shows: a part must come out exactly as the same pixels of
  // the whole map composed at that scale, so the sampling and the shading place every device
  // pixel alike wherever the frame begins. An equinox evening puts the terminator and all the
  // twilight bands across the part.
  const DibPtr day = Pattern(2048, 1024);
  const DibPtr night = Filled(1024, 512, [](int x) { return x % 64; });
  const DibPtr zones = Filled(1024, 512, [](int x) { return (x / 32) * 8; });
  const SharpSources sources{day.get(), night.get(), zones.get(), nullptr};
  const TimeValue at = 1805551200;  // 2027-03-20 18:00:00 UTC
  SharpFrame part;
  part.width = 600;
  part.height = 300;
  part.left = 100;
  part.top = 50;
  part.step = 0.5;
  struct Row {
    const char* name;
    ViewModes modes;
  } rows[] = {
      {"day, shadow", {.day = true, .shadow = true}},
      {"day, twilight", {.day = true, .shadow = true, .twilight = true}},
      {"zones, shadow", {.zones = true, .shadow = true}},
      {"night", {.night = true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DibPtr whole = ComposeSharp(sources, row.modes, at, WholeMapFrame(2));
    const DibPtr cut = ComposeSharp(sources, row.modes, at, part);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(cut);
    int darkened = 0;
    for (int y = 0; y < part.height; ++y) {
      const uint8_t* a = Pixel(cut.get(), 0, y);
      const uint8_t* b = Pixel(whole.get(), 200, y + 100);
      ASSERT_EQ(std::memcmp(a, b, static_cast<std::size_t>(part.width) * 3), 0) << "row " << y;
      for (int x = 0; x < part.width; ++x)
        darkened += Pixel(cut.get(), x, y)[2] != Pixel(day.get(), x + 200, y + 100)[2];
    }
    // The comparison means something only when the part holds both sides of the terminator.
    if (!row.modes.night && !row.modes.zones) {
      EXPECT_GT(darkened, 1000);
      EXPECT_LT(darkened, part.width * part.height - 1000);
    }
  }
}

TEST(SharpComposer, ANewInstantShadesAfreshFromTheKeptPictures) {
  // The shadow refresh reuses the sampled pictures: the map at the second instant must be
  // exactly what a fresh composition gives, not the first shadow darkened again.
  const DibPtr day = Pattern(2048, 1024);
  const DibPtr night = Filled(1024, 512, [](int x) { return x % 64; });
  const SharpSources sources{day.get(), night.get(), nullptr, nullptr};
  const ViewModes modes{.day = true, .shadow = true};
  SharpFrame frame;
  frame.width = 500;
  frame.height = 300;
  frame.left = 300;
  frame.top = 100;
  frame.step = 0.4;
  SharpComposer composer;
  ASSERT_TRUE(composer.Compose(sources, modes, 1805551200, frame));
  EXPECT_TRUE(composer.resampled());
  const Dib* later = composer.Compose(sources, modes, 1805551200 + 3 * 3600, frame);
  ASSERT_TRUE(later);
  EXPECT_FALSE(composer.resampled());
  const DibPtr fresh = ComposeSharp(sources, modes, 1805551200 + 3 * 3600, frame);
  ASSERT_TRUE(fresh);
  for (int y = 0; y < frame.height; ++y)
    ASSERT_EQ(std::memcmp(Pixel(later, 0, y), Pixel(fresh.get(), 0, y), 500 * 3), 0) << y;

  // Another frame, or twilight bands that read the same pictures: sampled only when the frame
  // or the pictures read change.
  frame.left = 301;
  ASSERT_TRUE(composer.Compose(sources, modes, 1805551200, frame));
  EXPECT_TRUE(composer.resampled());
  ASSERT_TRUE(composer.Compose(sources, ViewModes{.day = true, .shadow = true, .twilight = true},
                               1805551200, frame));
  EXPECT_FALSE(composer.resampled());
}

TEST(SharpComposer, AScrollSamplesOnlyWhatItNewlyShowsAndGivesTheFreshFrame) {
  // Zoom 2 at a device pixel ratio of 2, and zoom 1.5625 (a 1,600-pixel window fitted) where a
  // base-map pixel is 1.5625 device pixels: the frame starts on the device pixel nearest its
  // start, so a scroll by any distance moves it by whole device pixels, the kept pictures move
  // and only the new strips are sampled. Each frame must be byte for byte what a fresh
  // composition gives, over the map's edges too.
  const DibPtr day = Pattern(2048, 1024);
  const DibPtr night = Filled(1024, 512, [](int x) { return x % 64; });
  const DibPtr zones = Pattern(1024, 512);
  const SharpSources sources{day.get(), night.get(), zones.get(), nullptr};
  struct Scroll {
    const char* what;
    double left;
    double top;
    bool moved;  // false: sampled afresh
  };
  const Scroll scrolls[] = {
      {"right", 103, 20, true},
      {"up and left", 98, 18, true},
      {"across the date line", 900, 18, false},  // further than the frame is wide
      {"over the date line", 880, 18, true},
      {"past the north pole", 880, -30, true},
      {"back down", 870, 2, true},
      {"by a part of a device pixel", 870.1, 2.3, true},
      {"back by a part", 870, 2, true},
      {"by more than the frame", 100, 2, false},
  };
  const struct {
    ViewModes modes;
    double step;
  } cases[] = {{{.day = true, .shadow = true}, 0.25},
               {{.day = true, .zones = true, .twilight = true}, 0.25},
               {{.day = true, .shadow = true}, 1 / 1.5625}};
  for (const auto& [modes, step] : cases) {
    SCOPED_TRACE(step);
    SharpFrame frame;
    frame.width = 600;
    frame.height = 300;
    frame.left = 100;
    frame.top = 20;
    frame.step = step;
    SharpComposer composer;
    ASSERT_TRUE(composer.Compose(sources, modes, 1805551200, frame));
    for (const Scroll& scroll : scrolls) {
      frame.left = scroll.left;
      frame.top = scroll.top;
      const Dib* scrolled = composer.Compose(sources, modes, 1805551200, frame);
      ASSERT_TRUE(scrolled) << scroll.what;
      EXPECT_TRUE(composer.resampled()) << scroll.what;
      EXPECT_EQ(composer.moved(), scroll.moved) << scroll.what;
      const DibPtr fresh = ComposeSharp(sources, modes, 1805551200, frame);
      ASSERT_TRUE(fresh);
      int differing = 0;
      for (int y = 0; y < frame.height; ++y)
        differing += std::memcmp(Pixel(scrolled, 0, y), Pixel(fresh.get(), 0, y), 600 * 3) != 0;
      EXPECT_EQ(differing, 0) << scroll.what << " (rows)";
    }
  }
}

TEST(ComposeSharp, RefusesWithoutAPictureTheModesNeed) {
  const DibPtr day = Pattern(2048, 1024);
  EXPECT_FALSE(ComposeSharp({day.get(), nullptr, nullptr, nullptr},
                            ViewModes{.day = true, .shadow = true}, 1805551200, WholeMapFrame(2)));
  EXPECT_FALSE(ComposeSharp({nullptr, nullptr, nullptr, nullptr}, ViewModes{.day = true},
                            1805551200, WholeMapFrame(2)));
  const DibPtr plain = ComposeSharp({day.get(), nullptr, nullptr, nullptr}, ViewModes{.day = true},
                                    1805551200, WholeMapFrame(2));
  ASSERT_TRUE(plain);
  EXPECT_EQ(std::memcmp(plain->rows[7], day->rows[7], 2048 * 3), 0);
}

}  // namespace
}  // namespace meridiana
