// A map centred on any meridian: the projections, the turned pictures, the time-zone look-ups
// and the layers must all put longitude L at the same column.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "map/base_images.h"
#include "map/compose.h"
#include "map/map_geometry.h"
#include "map/map_view.h"
#include "map/overlays/overlays.h"
#include "map/sun_shadow.h"
#include "support/recording_canvas.h"
#include "world/moon.h"
#include "world/utc_offset.h"

namespace meridiana {
namespace {

constexpr double kCentres[] = {0, 180, -180, 150, -73.5};

// The view column of a longitude on a map centred on `center`, at zoom 1 without scroll.
int ShownX(double center, double longitude, double latitude = 0) {
  MapView view;
  view.center = center;
  return BaseToView(view, BaseMapPixel(longitude, latitude)).x;
}

double AngleBetween(double a, double b) { return std::fabs(WrapLongitude(a - b)); }

// A 24-bit picture whose pixel (x, y) holds its own column in blue and green and its row in red.
DibPtr Numbered(int width, int height) {
  DibPtr dib = DibCreate(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = dib->rows[y] + 3 * x;
      p[0] = static_cast<uint8_t>(x & 0xff), p[1] = static_cast<uint8_t>(x >> 8);
      p[2] = static_cast<uint8_t>(y);
    }
  return dib;
}

int ColumnHeld(const Dib* dib, int x, int y = 0) {
  const uint8_t* p = dib->rows[y] + 3 * x;
  return p[0] | p[1] << 8;
}

TEST(CentredMap, ShiftsParsingAndTheCentreColumn) {
  const struct {
    double centre;
    int shift1024, shift4096;
  } shifts[] = {{0, 0, 0},        {180, 512, 2048},    {-180, -512, -2048},
                {150, 427, 1708}, {-73.5, -209, -836}, {0.1, 0, 0}};
  for (const auto& s : shifts) {
    EXPECT_EQ(MapCenterShift(s.centre, 1024), s.shift1024) << s.centre;
    EXPECT_EQ(MapCenterShift(s.centre, 4096), s.shift4096) << s.centre;
    // The chosen meridian stands in the middle column, give or take the column it falls in.
    EXPECT_LE(std::abs(ShownX(s.centre, s.centre) - 512), 1) << s.centre;
  }
  // A centre read from a hand-edited file that is no longitude leaves the map as it is.
  EXPECT_EQ(MapCenterShift(400, 1024), 0);
  EXPECT_EQ(MapCenterShift(std::nan(""), 1024), 0);

  const struct {
    const char* text;
    bool ok;
    double value;
  } texts[] = {{"150", true, 150}, {"-73.5", true, -73.5}, {"180", true, 180}, {"-180", true, -180},
               {"0", true, 0},     {"180.01", false, 0},   {"-181", false, 0}, {"", false, 0},
               {"abc", false, 0},  {"15x", false, 0},      {"73,5", false, 0}, {"nan", false, 0},
               {"inf", false, 0},  {"1e3", false, 0},      {" 150", false, 0}};
  for (const auto& t : texts) {
    double value = -1;
    EXPECT_EQ(ParseMapCenter(t.text, &value), t.ok) << '"' << t.text << '"';
    if (t.ok) {
      EXPECT_EQ(value, t.value) << t.text;
    }
  }
}

TEST(CentredMap, LongitudeAndColumnRoundTripAtEveryCentre) {
  const double longitudes[] = {-180, -179.9, -150, -73.5, -0.2, 0, 0.2, 33.3, 149.9, 150, 179.99};
  const double latitudes[] = {89.9, 45, 0, -60.5};
  for (double centre : kCentres) {
    MapView view;
    view.center = centre;
    for (double lon : longitudes) {
      for (double lat : latitudes) {
        SCOPED_TRACE(::testing::Message() << "centre " << centre << " at " << lon << "," << lat);
        const MapPoint p = BaseToView(view, BaseMapPixel(lon, lat));
        if (centre != 0) {
          EXPECT_GE(p.x, 0);
          EXPECT_LT(p.x, kBaseMapWidth);
        }
        const LatLon back = BaseToLatLon(ViewToBase(view, p));
        // A column is 360/1024 degrees wide and the projection truncates: back at its west side.
        EXPECT_LT(AngleBetween(back.longitude, lon), 360.0 / kBaseMapWidth + 1e-9);
        EXPECT_LT(std::fabs(back.latitude - lat), 180.0 / kBaseMapHeight + 1e-9);
      }
    }
    // And from the column: each column's longitude projects back onto that column.
    for (int x = 0; x < kBaseMapWidth; x += 7) {
      const LatLon at = BaseToLatLon(ViewToBase(view, {x, 100}));
      EXPECT_EQ(ShownX(centre, at.longitude + 1e-6, at.latitude), x) << centre << " " << x;
    }
  }
}

TEST(CentredMap, TurnedPicturesAndTimeZonesAgreeWithTheProjection) {
  DibPtr zones = DibCreate(kBaseMapWidth, 4, 24);
  // West of Greenwich -5 h (blue), east of it -4 h (red) in the picture's own columns.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < kBaseMapWidth; ++x) {
      uint8_t* p = zones->rows[y] + 3 * x;
      p[0] = x < 512 ? 255 : 0, p[1] = 0, p[2] = x < 512 ? 0 : 255;
    }
  for (double centre : kCentres) {
    MapView view;
    view.center = centre;
    DibPtr picture = Numbered(kBaseMapWidth, 3);
    TurnToMapCenter(picture.get(), centre);
    for (double lon : {-179.0, -100.0, -0.5, 0.5, 90.0, 179.5}) {
      SCOPED_TRACE(::testing::Message() << "centre " << centre << " lon " << lon);
      const int shown = ShownX(centre, lon);
      // The turned picture holds, at the column the layers draw L at, the picture's column of L.
      EXPECT_EQ(ColumnHeld(picture.get(), shown, 2), static_cast<int>((lon + 180) / 360 * 1024));
      // The read-out's local time looks the zone up at the base-map pixel under the pointer.
      EXPECT_EQ(UtcOffsetAt(zones.get(), ViewToBase(view, {shown, 1}).x, 1),
                lon < 0 ? -5.0f : -4.0f);
    }
    // Every row turned, none left behind.
    EXPECT_EQ(ColumnHeld(picture.get(), 0, 0), ColumnHeld(picture.get(), 0, 2));
  }
  // Pictures four times the base width turn by four times the columns.
  DibPtr wide = Numbered(4096, 1);
  TurnToMapCenter(wide.get(), 150);
  EXPECT_EQ(ColumnHeld(wide.get(), 0), 1708);
  EXPECT_EQ(ColumnHeld(wide.get(), 4095), 1707);
}

// The composed map with its shadow at 180 is the Greenwich one turned by half the width, pixel
// for pixel; the shadow is not worked out again for the turned columns.
TEST(CentredMap, TheComposedShadowedMapIsTheGreenwichOneTurned) {
  const TimeValue at = UtcFromCalendar(2026, 6, 21, 9, 30, 0);
  const auto compose = [&](double centre, bool twilight) {
    MapImages images("/nonexistent-folder", nullptr);
    images.PutDay(Numbered(kBaseMapWidth, kBaseMapHeight));
    DibPtr night = DibCreate(kBaseMapWidth, kBaseMapHeight, 24);
    images.PutNight(std::move(night));
    Compositor compositor(images, nullptr, nullptr);
    compositor.modes.shadow = true;
    compositor.modes.twilight = twilight;
    compositor.center = centre;
    compositor.Compose(at);
    return DibCopy(images.composed());
  };
  for (bool twilight : {false, true}) {
    DibPtr greenwich = compose(0, twilight);
    DibPtr pacific = compose(180, twilight);
    DibPtr west = compose(-73.5, twilight);
    ASSERT_TRUE(greenwich && pacific && west);
    int differing = 0;
    for (int y = 0; y < kBaseMapHeight; ++y)
      for (int x = 0; x < kBaseMapWidth; ++x) {
        const uint8_t* g = greenwich->rows[y] + 3 * ((x + 512) % kBaseMapWidth);
        const uint8_t* w = greenwich->rows[y] + 3 * ((x - 209 + kBaseMapWidth) % kBaseMapWidth);
        differing += std::memcmp(pacific->rows[y] + 3 * x, g, 3) != 0;
        differing += std::memcmp(west->rows[y] + 3 * x, w, 3) != 0;
      }
    EXPECT_EQ(differing, 0) << "twilight " << twilight;
    // The shadow really is there: noon at 37.5 E keeps the day, midnight at 142.5 W is night.
    const uint8_t noon[3] = {619 & 0xff, 619 >> 8, 0};
    EXPECT_EQ(std::memcmp(greenwich->rows[256] + 3 * 619, noon, 3), 0);
    EXPECT_LT(greenwich->rows[256][3 * 106], 106 / 2);  // over a black night: a fifth is left
  }
}

TEST(CentredMap, EarthquakeCirclesAcrossTheEdgeGoOnAtTheOtherSide) {
  MapView view;
  view.zoom = 1.0f;
  WorldData world;
  OverlayScene scene;
  scene.view = &view;
  scene.area = {10, 20, 1024, 512};
  scene.pictureRight = 1034;
  scene.pictureBottom = 532;
  scene.world = &world;
  std::vector<QuakeMark> quakes(1);
  scene.quakes = &quakes;
  const struct {
    double centre;
    float longitude;
    int pieces;
  } cases[] = {
      {0, 179.5f, 1},    // Greenwich: drawn as it always was, whole
      {150, -31.0f, 2},  // 3 columns left of the right edge at 150 E
      {150, -40.0f, 1},  // well inside
      {-73.5f, 105.0f, 2}, {180, -1.0f, 2},
  };
  for (const auto& c : cases) {
    view.center = c.centre;
    quakes[0] = {c.longitude, 10.0f, 5.0f};
    RecordingCanvas canvas;
    DrawEarthquakes(canvas, scene);
    SCOPED_TRACE(::testing::Message() << "centre " << c.centre << " quake " << c.longitude);
    ASSERT_EQ(static_cast<int>(canvas.ellipses.size()), c.pieces);
    const MapPoint p = BaseToWindow(view, BaseMapPixel(c.longitude, 10), scene.area);
    EXPECT_EQ(canvas.ellipses[0].left, p.x - 1);
    if (c.pieces == 1) {
      EXPECT_FALSE(canvas.ellipses[0].clip.has_value());
      continue;
    }
    // Both parts clipped to the map, the second one map-width further left.
    const MapRect map{10, 20, 1024, 512};
    ASSERT_TRUE(canvas.ellipses[0].clip && canvas.ellipses[1].clip);
    EXPECT_EQ(*canvas.ellipses[0].clip, map);
    EXPECT_EQ(*canvas.ellipses[1].clip, map);
    EXPECT_EQ(canvas.ellipses[1].left, p.x - 1 - 1024);
    EXPECT_GT(canvas.ellipses[0].right, map.left + map.width);
    EXPECT_GT(canvas.ellipses[1].right, map.left);
    EXPECT_FALSE(canvas.clip.has_value()) << "the clip is given back";
  }
}

TEST(CentredMap, TheMoonAcrossTheEdgeIsDrawnOnBothSides) {
  FixedClock clock(UtcFromCalendar(2026, 12, 9, 12, 0, 0));
  const double lunar = MoonAt(clock.Now()).subLunarLongitude;
  const int column = static_cast<int>((lunar + 180) / 360 * 1024);
  MapView view;
  view.zoom = 1.0f;
  WorldData world;
  OverlayScene scene;
  scene.view = &view;
  scene.area = {0, 0, 1024, 512};
  scene.world = &world;
  scene.clock = &clock;
  // The disc's centre 2 columns in from the right edge, 2 in from the left, and well inside.
  for (const auto& [shown, discs] : {std::pair{1022, 2}, std::pair{2, 2}, std::pair{600, 1}}) {
    int shift = ((column - shown) % 1024 + 1024) % 1024;
    if (shift > 512) shift -= 1024;
    view.center = shift * 360.0 / 1024;
    ASSERT_EQ(BaseToView(view, BaseMapPixel(lunar, 0)).x, shown);
    RecordingCanvas canvas;
    DrawMoon(canvas, scene);
    ASSERT_EQ(static_cast<int>(canvas.ellipses.size()), discs) << shown;
    if (discs == 2) {
      EXPECT_EQ(std::abs(canvas.ellipses[1].left - canvas.ellipses[0].left), 1024);
      EXPECT_EQ(canvas.ellipses[1].clip, (MapRect{0, 0, 1024, 512}));
    }
  }
}

TEST(CentredMap, MarkedCitiesGridLabelsAndTheReadOutAgree) {
  WorldData world;
  City city;
  city.name = "Date Line";
  city.longitude = 178.8f;
  city.latitude = -18.1f;
  city.marked = true;
  world.cities.push_back(city);
  FixedClock clock(UtcFromCalendar(2026, 12, 8, 14, 5, 33));
  FixedLocaleInfo locale("/");
  for (double centre : kCentres) {
    SCOPED_TRACE(::testing::Message() << "centre " << centre);
    MapView view;
    view.zoom = 1.0f;
    view.center = centre;
    OverlayScene scene;
    scene.view = &view;
    scene.area = {0, 0, 1024, 512};
    scene.pictureRight = 1024;
    scene.pictureBottom = 512;
    scene.world = &world;
    scene.clock = &clock;
    scene.locale = &locale;
    scene.layers = {.grid = true, .marked = true};
    RecordingCanvas canvas;
    HoverState hover;
    PaintOverlays(canvas, scene, false, hover);
    // The marked city's 6 x 6 square: the read-out at its centre names the city's longitude.
    const auto square = std::find_if(canvas.fills.begin(), canvas.fills.end(), [](const auto& f) {
      return f.right - f.left == 6 && f.colour == Rgb{0, 255, 0};
    });
    ASSERT_NE(square, canvas.fills.end());
    const PointerReadOut r = ReadPointer(view, world, nullptr, nullptr,
                                         {square->left + 2, square->top + 2}, false, -1, clock);
    EXPECT_LT(AngleBetween(r.position.longitude, city.longitude), 360.0 / 1024);
    EXPECT_LT(std::fabs(r.position.latitude - city.latitude), 180.0 / 512);
    EXPECT_EQ(r.hoverCity, 0);
    // The context menu's nearest city there is the same one.
    City stranger = city;
    stranger.name = "Elsewhere";
    stranger.longitude = static_cast<float>(WrapLongitude(city.longitude + 20));
    std::vector<City> menuCities = {stranger, city};
    MapView menuView = view;
    ASSERT_GE(
        PickMenuCities(menuView, menuCities, {square->left + 2, square->top + 2 + kMenuAreaTop}),
        2);
    EXPECT_EQ(menuView.menuCities[0], 1);

    // Each meridian label stands just right of its line, which the read-out names.
    int meridians = 0;
    for (const auto& t : canvas.texts) {
      if (t.y != 512 - 20) continue;  // the meridians' labels stand along the bottom
      ++meridians;
      const double labelled = std::atof(t.text.c_str());
      const LatLon at = BaseToLatLon(ViewToBase(view, {t.x - 2, 0}));
      EXPECT_LT(AngleBetween(at.longitude, labelled), 360.0 / 1024) << t.text;
      EXPECT_LE(t.x + 7 * static_cast<int>(t.text.size()), 1024) << t.text << " runs off";
    }
    EXPECT_GE(meridians, 15);
    // The red line of Greenwich is where 0 is, unless that is the left edge.
    const auto prime = std::find_if(canvas.lines.begin(), canvas.lines.end(), [](const auto& l) {
      return l.pen == Rgb{200, 0, 0} && l.x0 == l.x1;
    });
    if (ShownX(centre, 0) == 0) {
      EXPECT_EQ(prime, canvas.lines.end());
    } else {
      ASSERT_NE(prime, canvas.lines.end());
      EXPECT_EQ(prime->x0, ShownX(centre, 0));
    }
  }
}

}  // namespace
}  // namespace meridiana
