#include "map/map_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "world/zone_colour.h"

namespace meridiana {
namespace {

TEST(ZoomCommands, TenZoomOutsStopAtTheFloor) {
  MapView view;
  for (int i = 0; i < 10; ++i) {
    ZoomOut(view);
    EXPECT_GE(view.zoom, kMinZoom) << "after " << i + 1;
  }
  EXPECT_EQ(view.zoom, kMinZoom);
  ZoomIn(view);
  EXPECT_NEAR(view.zoom, 0.3f, 1e-6);
  EXPECT_FALSE(view.userZoom);  // menu zooms leave resizes refitting

  MapView zero;
  zero.zoom = 0;
  ZoomIn(zero);
  EXPECT_FLOAT_EQ(zero.zoom, 1.1f);
  zero.zoom = 0;
  ZoomOut(zero);
  EXPECT_FLOAT_EQ(zero.zoom, 0.9f);
}

TEST(ZoomCommands, FitAndActualPixelsResetScrollAndSetTheFlag) {
  MapView view;
  view.scrollX = 40;
  view.scrollY = 30;
  view.dragX = 5;
  view.userZoom = true;
  EXPECT_TRUE(RunZoomCommand(view, kCmdFitToScreen, 1280));
  EXPECT_FLOAT_EQ(view.zoom, 1.25f);
  EXPECT_FLOAT_EQ(view.zoomDragBase, 1.25f);
  EXPECT_EQ(view.scrollX + view.scrollY + view.dragX + view.dragY, 0);
  EXPECT_FALSE(view.userZoom);

  view.scrollX = 7;
  EXPECT_TRUE(RunZoomCommand(view, kCmdActualPixels, 1280));
  EXPECT_EQ(view.zoom, 1.0f);
  EXPECT_EQ(view.zoomDragBase, 1.0f);
  EXPECT_EQ(view.scrollX, 0);
  EXPECT_TRUE(view.userZoom);
  EXPECT_FALSE(RunZoomCommand(view, 40005, 1280));
}

TEST(ZoomLimiter, FillsTheWidthFromTheScrollPositionAndKeepsTheFloor) {
  struct Row {
    float zoom;
    int scrolled;
    int area;
    float expected;
  };
  const Row rows[] = {
      {1.0f, 0, 800, 1.0f},            // map wider than the area: unchanged
      {1.0f, 512, 800, 800.0f / 512},  // right edge at 512 < 800
      {0.5f, 0, 600, 600.0f / 1024},
      {0.1f, 0, 50, 0.2f},  // fits, but below the floor
      {std::numeric_limits<float>::quiet_NaN(), 0, 50, 0.2f},
      {0.5f, 1024, 600, 0.5f},  // scrolled out of the map: no division by zero
  };
  for (const Row& r : rows) {
    MapView view;
    view.zoom = r.zoom;
    view.scrollX = r.scrolled;
    LimitZoom(view, r.area);
    EXPECT_FLOAT_EQ(view.zoom, r.expected) << r.zoom << " " << r.scrolled << " " << r.area;
  }
}

TEST(WheelZoom, StepsNotchesAndLiftsSmallZooms) {
  struct Row {
    int area;
    float zoom;
    int delta;
    float expected;
  };
  const Row rows[] = {
      {600, 1.0f, 120, 0.8f},             // away from the user zooms out by 0.2
      {600, 0.5f, -120, 0.6f},            // toward the user below 1 steps by 0.1
      {1000, 1.0f, 120, 1000.0f / 1024},  // 0.8 would leave a gap on the right
      {200, 0.35f, 120, 0.3f},            // never below 0.3 from the wheel
      {600, 1.0f, -240, 1.4f},            // two notches
      {600, 1.0f, 60, 0.9f},              // half a notch from a fine wheel
  };
  for (const Row& r : rows) {
    MapView view;
    view.zoom = r.zoom;
    view.zoomDragBase = 0.7f;
    WheelZoom(view, r.delta, r.area);
    EXPECT_FLOAT_EQ(view.zoom, r.expected) << r.area << " " << r.zoom << " " << r.delta;
    EXPECT_TRUE(view.userZoom);
    EXPECT_EQ(view.zoomDragBase, 0.7f);  // the wheel does not move the drag base
  }
}

// Whether the map still fills the area's width (and its height when it is tall enough).
void ExpectMapFills(const MapView& v, int width, int height) {
  EXPECT_GE(v.scrollX, 0);
  EXPECT_GE(v.scrollY, 0);
  EXPECT_GE((kBaseMapWidth - v.scrollX) * v.zoom, width - 1);
  if (kBaseMapHeight * v.zoom >= height) {
    EXPECT_GE((kBaseMapHeight - v.scrollY) * v.zoom, height - 1);
  }
}

TEST(WheelZoomAt, KeepsThePointUnderThePointerWhereTheEdgesAllow) {
  const int width = 600;
  const int height = 400;
  int anchored = 0;
  for (const int delta : {-240, -120, 120, 60})
    for (const MapPoint scroll : {MapPoint{0, 0}, MapPoint{100, 50}, MapPoint{380, 200}})
      for (const MapPoint pointer : {MapPoint{0, 0}, MapPoint{300, 200}, MapPoint{590, 390}}) {
        MapView view;
        view.zoom = 1.2f;
        view.scrollX = scroll.x;
        view.scrollY = scroll.y;
        const double beforeX = pointer.x / 1.2 + scroll.x;
        const double beforeY = pointer.y / 1.2 + scroll.y;
        MapView plain = view;
        WheelZoom(plain, delta, width);
        WheelZoomAt(view, delta, pointer, width, height);
        SCOPED_TRACE(testing::Message() << delta << " " << scroll.x << "," << scroll.y << " "
                                        << pointer.x << "," << pointer.y);
        EXPECT_FLOAT_EQ(view.zoom, plain.zoom);  // the same steps as the wheel always took
        EXPECT_TRUE(view.userZoom);
        ExpectMapFills(view, width, height);
        const double afterX = pointer.x / static_cast<double>(view.zoom) + view.scrollX;
        const double afterY = pointer.y / static_cast<double>(view.zoom) + view.scrollY;
        // Within a pixel, unless the scroll stopped at an edge of the map.
        const int lastX = static_cast<int>(kBaseMapWidth - width / view.zoom);
        const int lastY = std::max(0, static_cast<int>(kBaseMapHeight - height / view.zoom));
        const bool xFree = view.scrollX > 0 && view.scrollX < lastX;
        const bool yFree = view.scrollY > 0 && view.scrollY < lastY;
        if (xFree) {
          EXPECT_NEAR(afterX, beforeX, 0.51);  // the scroll is whole base pixels
        }
        if (yFree) {
          EXPECT_NEAR(afterY, beforeY, 0.51);
        }
        anchored += xFree && yFree;
      }
  EXPECT_GE(anchored, 10);  // most cases are not at an edge
}

TEST(WheelZoomAt, MenuZoomsKeepTheCentreAndTheOtherCommandsAreUnchanged) {
  MapView view;
  view.scrollX = 100;
  view.scrollY = 50;
  ASSERT_TRUE(RunZoomCommandAtCentre(view, kCmdZoomIn, 600, 400));
  EXPECT_FLOAT_EQ(view.zoom, 1.1f);
  // The centre (300, 200) showed base (400, 250); it still does.
  EXPECT_EQ(view.scrollX, 400 - 273);
  EXPECT_EQ(view.scrollY, 250 - 182);
  EXPECT_FALSE(view.userZoom);  // a menu zoom is refitted by the next resize, as before
  ASSERT_TRUE(RunZoomCommandAtCentre(view, kCmdZoomOut, 600, 400));
  EXPECT_NEAR(view.zoom, 1.0f, 1e-5);
  EXPECT_NEAR(view.scrollX, 100, 1);
  EXPECT_NEAR(view.scrollY, 50, 1);
  // Far out the map is narrower than the area: the scroll goes back to the corner.
  for (int i = 0; i < 10; ++i) RunZoomCommandAtCentre(view, kCmdZoomOut, 600, 400);
  EXPECT_FLOAT_EQ(view.zoom, kMinZoom);
  EXPECT_EQ(view.scrollX, 0);
  EXPECT_EQ(view.scrollY, 0);
  ASSERT_TRUE(RunZoomCommandAtCentre(view, kCmdActualPixels, 600, 400));
  EXPECT_TRUE(view.userZoom);
  EXPECT_FALSE(RunZoomCommandAtCentre(view, 40005, 600, 400));
}

TEST(ScrollDrag, ClampsAtTheEdgesOfTheMap) {
  struct Row {
    int scrollX, scrollY;
    float zoom;
    int areaW, areaH;
    MapPoint pointerMove;  // pointer minus press point
    int dragX, dragY;
  };
  const Row rows[] = {
      {0, 20, 1.0f, 800, 400, {0, 50}, 0, -20},        // 50 down at scroll 20
      {0, 0, 1.0f, 800, 400, {0, -200}, 0, 112},       // bottom edge meets the area's bottom
      {0, 0, 1.0f, 800, 400, {-500, 0}, 224, 0},       // right edge meets the area's right
      {0, 0, 2.0f, 800, 400, {-100, -200}, 100, 200},  // zoomed in: room to drag
      {0, 0, 1.0f, 800, 600, {0, -10}, 0, 0},          // area taller than the map
      {100, 50, 1.0f, 800, 400, {30, 20}, -30, -20},   // inside: unclamped
      {100, 50, 1.0f, 800, 400, {300, 80}, -100, -50},
  };
  for (const Row& r : rows) {
    MapView view;
    view.scrollX = r.scrollX;
    view.scrollY = r.scrollY;
    view.zoom = r.zoom;
    ScrollDragPress(view, {400, 300});
    ScrollDragMove(view, {400 + r.pointerMove.x, 300 + r.pointerMove.y}, r.areaW, r.areaH);
    EXPECT_EQ(view.dragX, r.dragX) << r.pointerMove.x << "," << r.pointerMove.y;
    EXPECT_EQ(view.dragY, r.dragY) << r.pointerMove.x << "," << r.pointerMove.y;
  }
}

TEST(ScrollDrag, ReleaseCommitsTheOffsetAndMovesReportChanges) {
  MapView view;
  view.scrollX = 100;
  view.scrollY = 100;
  EXPECT_FALSE(ScrollDragMove(view, {0, 0}, 800, 400));  // not dragging
  ScrollDragPress(view, {500, 500});
  EXPECT_TRUE(ScrollDragMove(view, {490, 495}, 800, 400));
  EXPECT_FALSE(ScrollDragMove(view, {490, 495}, 800, 400));
  EXPECT_EQ(view.EffectiveScrollX(), 110);
  EXPECT_EQ(view.EffectiveScrollY(), 105);
  ScrollDragRelease(view);
  EXPECT_EQ(view.scrollX, 110);
  EXPECT_EQ(view.scrollY, 105);
  EXPECT_EQ(view.dragX, 0);
  EXPECT_EQ(view.dragY, 0);
  EXPECT_FALSE(view.dragging);
}

TEST(ZoomDrag, ThreeHundredPixelsRightAddOneAndAHalfAndOpenNoMenu) {
  MapView view;
  ZoomDragPress(view, {100, 100});
  for (int x = 110; x <= 400; x += 10) ZoomDragMove(view, {x, 100}, 800);
  EXPECT_FLOAT_EQ(view.zoom, 2.5f);
  EXPECT_TRUE(view.userZoom);
  EXPECT_FALSE(ZoomDragRelease(view, {400, 100}, {380, 60}));
  EXPECT_FLOAT_EQ(view.zoomDragBase, 2.5f);
  EXPECT_EQ(view.lastRightClick, (MapPoint{380, 60}));

  // The next drag is measured from the new base.
  ZoomDragPress(view, {0, 0});
  ZoomDragMove(view, {-100, 0}, 800);
  EXPECT_FLOAT_EQ(view.zoom, 2.0f);

  // One big move counts as one change; the distance still rules out a click.
  MapView once;
  ZoomDragPress(once, {100, 100});
  ZoomDragMove(once, {400, 100}, 800);
  EXPECT_FALSE(ZoomDragRelease(once, {400, 100}, {0, 0}));
}

TEST(ZoomDrag, AClickOpensTheContextMenu) {
  struct Row {
    MapPoint moves[2];
    int moveCount;
    MapPoint release;
    bool menu;
  };
  const Row rows[] = {
      {{}, 0, {100, 100}, true},                         // no move at all
      {{{105, 100}}, 1, {105, 100}, true},               // one small change
      {{{103, 100}, {100, 100}}, 2, {100, 100}, false},  // two zoom changes
      {{}, 0, {105, 105}, true},                         // 7.07 truncates to 7
      {{}, 0, {106, 106}, false},                        // 8.48 truncates to 8
  };
  for (const Row& r : rows) {
    MapView view;
    ZoomDragPress(view, {100, 100});
    for (int i = 0; i < r.moveCount; ++i) ZoomDragMove(view, r.moves[i], 800);
    EXPECT_EQ(ZoomDragRelease(view, r.release, {0, 0}), r.menu)
        << r.moveCount << " " << r.release.x << "," << r.release.y;
    EXPECT_FALSE(view.zoomDragging);
  }
}

TEST(ZoomDrag, DraggingLeftIsLimitedToFillTheArea) {
  MapView view;
  ZoomDragPress(view, {500, 100});
  EXPECT_TRUE(ZoomDragMove(view, {200, 100}, 800));
  EXPECT_FLOAT_EQ(view.zoom, 800.0f / 1024);
}

}  // namespace
}  // namespace meridiana

namespace meridiana {
namespace {

City MakeCity(const std::string& name, float lat, float lon) {
  City c;
  c.name = name;
  c.zoneKey = name;
  c.latitude = lat;
  c.longitude = lon;
  return c;
}

TEST(ContextMenuCities, TakesUpToTenNearestFirstMeasuredFromTheAreaTop) {
  std::vector<City> cities;
  // Base pixels x = 512 + 10 * i on the equator; the pointer is at x 540, 22 below row 256.
  for (int i = 0; i < 12; ++i) {
    cities.push_back(MakeCity("c", 0, static_cast<float>(10 * i * 360.0 / 1024)));
  }
  cities[11].picked = true;  // stale from an earlier search
  MapView view;
  ASSERT_EQ(PickMenuCities(view, cities, {541, 256 + 22}), 10);
  EXPECT_EQ(view.menuCities[0], 3);  // 1 away
  EXPECT_EQ(view.menuCities[1], 2);  // 9 away, before #4 at 9: first of equals
  EXPECT_EQ(view.menuCities[2], 4);
  int picked = 0;
  for (const City& c : cities) picked += c.picked;
  EXPECT_EQ(picked, 10);
  EXPECT_FALSE(cities[11].picked);  // the stale flag was cleared: 10 and 11 are the farthest
  EXPECT_FALSE(cities[10].picked);
  EXPECT_TRUE(cities[0].picked);

  std::vector<City> few = {MakeCity("a", 10, 10), MakeCity("b", -10, -10)};
  ASSERT_EQ(PickMenuCities(view, few, {0, 0}), 2);
  EXPECT_EQ(view.menuCities[2], -1);
}

TEST(PointerReadOut, PositionHoverCityAndLocalTime) {
  WorldData world;
  world.cities = {MakeCity("Paris", 0, 0)};  // base pixel (512, 256)
  world.zones.push_back(Zone{"France", "Paris", "EU", 2.35f, 48.86f, false, "Europe/Paris"});
  world.rules = ParseDstRules("EU\tL\t0\t0\t10\t0\t-\r\nEU\tL\t0\t0\t3\t1\t-\r\n");
  ASSERT_EQ(world.rules.size(), 1u);
  // A time-zone image in the colour of the first table entry with a whole non-zero offset.
  const ZoneColour* zone = nullptr;
  for (const ZoneColour& z : kZoneColours) {
    if (z.hours == 1.0f) zone = &z;
  }
  ASSERT_NE(zone, nullptr);
  DibPtr tz = DibCreate(1024, 512, 24);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 1024; ++x) {
      uint8_t* p = tz->rows[y] + 3 * x;
      p[0] = zone->blue, p[1] = zone->green, p[2] = zone->red;
    }
  }
  const TimeValue now = UtcFromCalendar(2026, 7, 1, 12, 0, 0);  // saving in force
  FixedClock clock(now);

  MapView view;
  PointerReadOut r = ReadPointer(view, world, tz.get(), nullptr, {515, 256}, false, -1, clock);
  EXPECT_EQ(r.base, (MapPoint{515, 256}));
  EXPECT_DOUBLE_EQ(r.position.latitude, 0);
  EXPECT_DOUBLE_EQ(r.position.longitude, 515 * 360.0 / 1024 - 180);
  EXPECT_EQ(r.hoverCity, 0);
  EXPECT_EQ(view.hoverCity, 0);
  EXPECT_TRUE(r.underPointer);
  EXPECT_EQ(r.localTime, now + 2 * 3600);  // offset and saving

  r = ReadPointer(view, world, tz.get(), nullptr, {600, 256}, false, -1, clock);
  EXPECT_EQ(r.hoverCity, 0);  // the nearest city at any distance
  EXPECT_FALSE(r.underPointer);
  EXPECT_EQ(r.localTime, now + 3600);  // far from the city: no saving

  // City Names on: the highlighted city counts wherever the pointer is.
  r = ReadPointer(view, world, tz.get(), nullptr, {600, 256}, true, 0, clock);
  EXPECT_EQ(r.localTime, now + 2 * 3600);
  r = ReadPointer(view, world, tz.get(), nullptr, {515, 256}, true, -1, clock);
  EXPECT_EQ(r.hoverCity, -1);
  EXPECT_EQ(r.localTime, now + 3600);
}

TEST(PointerReadOut, TheMemoServesOnlyAStillPointerOverTheSameViewAndCities) {
  WorldData world;
  world.cities = {MakeCity("West", 0, -90), MakeCity("East", 0, 90)};  // x 256 and 768
  FixedClock clock(UtcFromCalendar(2026, 7, 1, 12, 0, 0));
  MapView view;
  NearestCityMemo memo;
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 0);
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 0);
  view.scrollX = 400;  // the pointer is now over the east
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 1);
  view.scrollX = 0;
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 0);
  world.cities = {MakeCity("East", 0, 90)};  // a new list at the same pointer and view
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 0);
  EXPECT_EQ(world.cities[0].name, "East");
  world.cities.push_back(MakeCity("West", 0, -90));
  EXPECT_EQ(
      ReadPointer(view, world, nullptr, nullptr, {300, 256}, false, -1, clock, &memo).hoverCity, 1);
}

}  // namespace
}  // namespace meridiana
