#include "map/view_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace meridiana {
namespace {

// Synthetic map whose every pixel encodes its own coordinates.
DibPtr CoordinateMap(int w, int h) {
  DibPtr dib = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = dib->rows[y] + 3 * x;
      p[0] = static_cast<uint8_t>(x & 0xFF);
      p[1] = static_cast<uint8_t>((x >> 8) | ((y >> 8) << 4) | 0x80);  // 0x80: not black
      p[2] = static_cast<uint8_t>(y & 0xFF);
    }
  }
  return dib;
}

// The source pixel a view pixel shows, or {-1,-1} for black.
MapPoint SourceOf(const Dib* view, int i, int j) {
  const uint8_t* p = view->rows[j] + 3 * i;
  if (p[0] == 0 && p[1] == 0 && p[2] == 0) return {-1, -1};
  return {p[0] | ((p[1] & 0x0F) << 8), p[2] | (((p[1] >> 4) & 0x07) << 8)};
}

TEST(ViewImage, ShowsTheSourcePixelOfEveryViewPixel) {
  const DibPtr map = CoordinateMap(1024, 512);
  struct Row {
    float zoom;
    int scrollX, scrollY, dragX, dragY;
    int w, h;
  };
  const Row rows[] = {
      {1.0f, 0, 0, 0, 0, 1024, 512},     {2.0f, 0, 0, 0, 0, 800, 600},
      {2.5f, 100, 50, 7, -3, 640, 400},  {0.5f, 0, 0, 0, 0, 700, 300},  // beyond the map: black
      {1.25f, -20, -10, 0, 0, 300, 200},                                // negative scroll: black
      {1.0f, 1000, 500, 0, 0, 64, 32},
  };
  for (const Row& r : rows) {
    MapView view;
    view.zoom = r.zoom;
    view.scrollX = r.scrollX;
    view.scrollY = r.scrollY;
    view.dragX = r.dragX;
    view.dragY = r.dragY;
    const DibPtr out = BuildViewImage(map.get(), view, r.w, r.h);
    ASSERT_TRUE(out);
    ASSERT_EQ(DibWidth(out.get()), r.w);
    ASSERT_EQ(DibHeight(out.get()), r.h);
    int wrong = 0;
    for (int j = 0; j < r.h; ++j) {
      for (int i = 0; i < r.w; ++i) {
        const int sx = static_cast<int>(static_cast<float>(i) / r.zoom) + r.scrollX + r.dragX;
        const int sy = static_cast<int>(static_cast<float>(j) / r.zoom) + r.scrollY + r.dragY;
        const bool inside = sx >= 0 && sx < 1024 && sy >= 0 && sy < 512;
        const MapPoint expected = inside ? MapPoint{sx, sy} : MapPoint{-1, -1};
        if (SourceOf(out.get(), i, j) != expected) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "zoom " << r.zoom << " scroll " << r.scrollX << "," << r.scrollY;
  }
}

TEST(ViewImage, AtZoomTwoEachRowIsShownTwiceAndEightHundredColumnsShowFourHundred) {
  const DibPtr map = CoordinateMap(1024, 512);
  MapView view;
  view.zoom = 2.0f;
  const DibPtr out = BuildViewImage(map.get(), view, 800, 100);
  EXPECT_EQ(SourceOf(out.get(), 799, 0), (MapPoint{399, 0}));
  for (int j = 0; j < 100; j += 2) {
    EXPECT_EQ(std::memcmp(out->rows[j], out->rows[j + 1], 800 * 3), 0) << j;
    EXPECT_EQ(SourceOf(out.get(), 0, j), (MapPoint{0, j / 2}));
  }
}

TEST(ViewImage, NoMapOrNoUsableZoomGivesBlackOrNothing) {
  MapView view;
  EXPECT_FALSE(BuildViewImage(nullptr, view, 0, 10));
  DibPtr black = BuildViewImage(nullptr, view, 4, 4);
  ASSERT_TRUE(black);
  EXPECT_EQ(DibGetPixel(black.get(), 3, 3), 0u);
  const DibPtr map = CoordinateMap(16, 8);
  view.zoom = 0;
  black = BuildViewImage(map.get(), view, 4, 4);
  EXPECT_EQ(DibGetPixel(black.get(), 0, 0), 0u);
}

TEST(ViewImageCache, RebuildsOnlyWhenItsKeyOrTheMapChanged) {
  const DibPtr map = CoordinateMap(1024, 512);
  ViewImageCache cache;
  MapView view;
  MapRect area{0, 22, 400, 300};
  ASSERT_TRUE(cache.Update(map.get(), false, area, view));
  EXPECT_TRUE(cache.rebuilt());
  cache.Update(map.get(), false, area, view);
  EXPECT_FALSE(cache.rebuilt());

  cache.Update(map.get(), true, area, view);  // composed map changed
  EXPECT_TRUE(cache.rebuilt());

  area.top = 30;  // the rectangle moved
  cache.Update(map.get(), false, area, view);
  EXPECT_TRUE(cache.rebuilt());

  view.zoom = 1.5f;
  cache.Update(map.get(), false, area, view);
  EXPECT_TRUE(cache.rebuilt());

  view.dragX = 5;  // a drag in progress moves the effective scroll
  cache.Update(map.get(), false, area, view);
  EXPECT_TRUE(cache.rebuilt());
  EXPECT_EQ(SourceOf(cache.image(), 0, 0), (MapPoint{5, 0}));

  ScrollDragRelease(view);  // scroll 5, drag 0: the same picture
  cache.Update(map.get(), false, area, view);
  EXPECT_FALSE(cache.rebuilt());

  cache.Clear();
  cache.Update(map.get(), false, area, view);
  EXPECT_TRUE(cache.rebuilt());

  EXPECT_EQ(cache.Update(nullptr, false, area, view), nullptr);
}

}  // namespace
}  // namespace meridiana
