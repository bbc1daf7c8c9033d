#include "map/map_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "map/map_view.h"

namespace meridiana {
namespace {

struct Place {
  float latitude;
  float longitude;
};

TEST(MapGeometry, ProjectsCornersAndCentreOfTheBaseMap) {
  struct Row {
    double lon, lat;
    MapPoint expected;
  };
  const Row rows[] = {
      {0, 0, {512, 256}},
      {180, 0, {1024, 256}},
      {0, -90, {512, 512}},
      {-180, 90, {0, 0}},
      {-180, -90, {0, 512}},
      {179.9, 89.9, {1023, 1}},
      {-0.2, 0.2, {511, 256}},  // truncation of 511.43 and 256.57
      // Coordinates of a hand-edited table stay on the map.
      {0, -1e30, {512, 512}},
      {1e30, 1e30, {1024, 0}},
      {-1e30, 0, {0, 256}},
      {200, 95, {1024, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(BaseMapPixel(r.lon, r.lat), r.expected) << r.lon << "," << r.lat;
  }
  MapView view;
  EXPECT_EQ(BaseToWindow(view, BaseMapPixel(0, 0), MapRect{0, 0, 800, 600}), (MapPoint{512, 256}));
}

TEST(MapGeometry, WindowProjectionAppliesScrollDragZoomAndAreaOrigin) {
  MapView view;
  view.zoom = 2.0f;
  view.scrollX = 100;
  view.scrollY = 50;
  view.dragX = 10;
  EXPECT_EQ(BaseToWindow(view, {512, 256}, MapRect{5, 22, 800, 600}), (MapPoint{809, 434}));

  // Left of the scroll position the product truncates toward zero, not down.
  MapView half;
  half.zoom = 1.5f;
  half.scrollX = 3;
  half.scrollY = 3;
  EXPECT_EQ(BaseToView(half, {0, 0}), (MapPoint{-4, -4}));

  // A zoom of 0 leaves the offsets unscaled.
  MapView zero;
  zero.zoom = 0;
  zero.scrollX = 10;
  EXPECT_EQ(BaseToView(zero, {30, 40}), (MapPoint{20, 40}));
}

TEST(MapGeometry, PointerReadOutInvertsTheProjection) {
  MapView view;
  view.zoom = 2.5f;
  view.scrollX = 100;
  view.scrollY = 20;
  view.dragX = -5;
  view.dragY = 3;
  EXPECT_EQ(ViewToBase(view, {7, 9}), (MapPoint{2 + 95, 3 + 23}));

  MapView one;
  one.scrollX = 200;
  one.scrollY = 100;
  for (MapPoint p : {MapPoint{200, 100}, MapPoint{511, 300}, MapPoint{1023, 511}}) {
    EXPECT_EQ(ViewToBase(one, BaseToView(one, p)), p);
  }

  MapView broken;
  broken.zoom = 0;  // must not divide by zero
  EXPECT_EQ(ViewToBase(broken, {10, 20}), (MapPoint{10, 20}));
  broken.zoom = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(BaseToView(broken, {10, 20}), (MapPoint{10, 20}));
}

TEST(MapGeometry, ReadOutLatitudeLongitudeIsClampedAndFollowsTheMapSize) {
  struct Row {
    MapPoint base;
    int w, h;
    double lat, lon;
  };
  const Row rows[] = {
      {{0, 0}, 1024, 512, 90, -180},
      {{512, 256}, 1024, 512, 0, 0},
      {{1024, 512}, 1024, 512, -90, 180},
      {{2000, -50}, 1024, 512, 90, 180},
      {{-10, 900}, 1024, 512, -90, -180},
      {{256, 128}, 1024, 512, 45, -90},
      {{1024, 512}, 2048, 1024, 0, 0},
      {{512, 256}, 0, 0, 0, 0},  // no composed map
      {{3, 1}, 1024, 512, 89.6484375, -178.9453125},
  };
  for (const Row& r : rows) {
    const LatLon ll = BaseToLatLon(r.base, r.w, r.h);
    EXPECT_DOUBLE_EQ(ll.latitude, r.lat) << r.base.x << "," << r.base.y;
    EXPECT_DOUBLE_EQ(ll.longitude, r.lon) << r.base.x << "," << r.base.y;
  }
}

TEST(MapGeometry, MapScaleAtZoomOneIs39Point14KmPerPixel) {
  char text[32];
  std::snprintf(text, sizeof text, "%0.2f", MapScaleKm(1.0f));
  EXPECT_EQ(std::string(text), "39.14");
  std::snprintf(text, sizeof text, "%0.2f", MapScaleKm(2.0f));
  EXPECT_EQ(std::string(text), "19.57");
}

TEST(MapGeometry, NearestCityPrefersTheFirstOfEqualsAndOnlyStrictlyNearer) {
  MapView view;
  // Base pixels: (512,256), (522,256), (502,256), (512,246).
  const std::vector<Place> places = {
      {0, 0}, {0, 10 * 360.0f / 1024}, {0, -10 * 360.0f / 1024}, {10 * 180.0f / 512, 0}};
  NearestCity n = FindNearestCity(view, places, {517, 256});
  EXPECT_EQ(n.index, 0);  // 0 and 1 are both 5 away: the first wins
  EXPECT_EQ(n.distance, 5);

  n = FindNearestCity(view, places, {505, 250});  // 3 to #2 is sqrt(9+36)=6.7
  EXPECT_EQ(n.index, 2);
  EXPECT_EQ(n.distance, 6);

  // The context menu's search measures from 22 pixels lower and passes over picked cities.
  std::vector<bool> picked = {true, false, false, false};
  int i = 0;
  n = FindNearestCity(view, places, {512, 256 + 22}, 22, [&](const Place&) { return picked[i++]; });
  EXPECT_EQ(n.index, 1);  // #0 is skipped; #1, #2, #3 are all 10 away: #1 is first
  EXPECT_EQ(n.distance, 10);

  const std::vector<Place> none;
  n = FindNearestCity(view, none, {0, 0});
  EXPECT_EQ(n.index, -1);
  EXPECT_EQ(n.distance, 9999);

  // Farther than the start value of 9999 is never found.
  MapView far;
  far.zoom = 100.0f;
  n = FindNearestCity(far, places, {0, 0});
  EXPECT_EQ(n.index, -1);
}

TEST(MapGeometry, CityUnderPointerWithinTenTimesZoom) {
  EXPECT_TRUE(IsUnderPointer(9, 1.0f));
  EXPECT_FALSE(IsUnderPointer(10, 1.0f));
  EXPECT_TRUE(IsUnderPointer(24, 2.5f));
  EXPECT_FALSE(IsUnderPointer(25, 2.5f));
}

}  // namespace
}  // namespace meridiana
