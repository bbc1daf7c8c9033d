#include "map/overlays/overlays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "support/recording_canvas.h"
#include "world/city.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kRed{200, 0, 0};

struct Scene {
  MapView view;
  WorldData world;
  FixedClock clock{UtcFromCalendar(2026, 12, 8, 14, 5, 33)};
  FixedLocaleInfo locale{"/"};
  OverlayScene Make(OverlayLayers layers, float zoom = 1.0f) {
    view.zoom = zoom;
    OverlayScene s;
    s.view = &view;
    s.area = {0, 0, 1024, 512};
    s.pictureRight = static_cast<int>(1024 * zoom);
    s.pictureBottom = std::min(512, static_cast<int>(512 * zoom));
    s.world = &world;
    s.clock = &clock;
    s.locale = &locale;
    s.layers = layers;
    return s;
  }
  // A city whose base-map pixel is (x, y).
  void AddCityAt(int x, int y, const char* name, bool marked = false) {
    City city;
    city.name = name;
    city.longitude = static_cast<float>((x + 0.5) * 360.0 / 1024 - 180);
    city.latitude = static_cast<float>((512 - y + 0.5) * 180.0 / 512 - 90);
    city.marked = marked;
    world.cities.push_back(city);
  }
};

TEST(Overlays, MarkedCityShowsItsSquareAndHoursAndMinutes) {
  Scene scene;
  scene.AddCityAt(300, 200, "Name", true);
  scene.AddCityAt(500, 100, "Unmarked");
  RecordingCanvas canvas;
  HoverState hover;
  ASSERT_EQ(CityWindowPoint(scene.Make({}), scene.world.cities[0]), (MapPoint{300, 200}));
  OverlayScene fixed = scene.Make({.marked = true});
  fixed.fixedLabels = true;
  PaintOverlays(canvas, fixed, false, hover);
  ASSERT_EQ(canvas.fills.size(), 1u);
  EXPECT_EQ(canvas.fills[0].left, 298);
  EXPECT_EQ(canvas.fills[0].top, 198);
  EXPECT_EQ(canvas.fills[0].right - canvas.fills[0].left, 6);
  EXPECT_EQ(canvas.fills[0].colour, kGreen);
  ASSERT_EQ(canvas.texts.size(), 1u);
  EXPECT_EQ(canvas.texts[0].x, 308);
  EXPECT_EQ(canvas.texts[0].y, 208);
  EXPECT_EQ(canvas.texts[0].text, "14:05 Name");
  EXPECT_TRUE(canvas.texts[0].opaque);

  // A city whose zone has a file on the computer reads that zone's clock (India, +05:30); one
  // whose zone has none keeps the tables' (no picture: UTC).
  scene.world.zoneFiles = std::make_shared<ZoneFileCache>(SystemZoneFolder());
  if (scene.world.zoneFiles->Find("Asia/Kolkata") != nullptr) {
    Zone india;
    india.zoneCity = "Kolkata";
    india.zoneName = "Asia/Kolkata";
    scene.world.zones.push_back(india);
    scene.world.cities[0].zoneKey = "Kolkata";
    EXPECT_EQ(MarkedCityLabels(scene.Make({.marked = true})),
              (std::vector<std::string>{"19:35 Name"}));
    scene.world.zones.back().zoneName = "Nowhere/Kolkata";
    EXPECT_EQ(MarkedCityLabels(scene.Make({.marked = true})),
              (std::vector<std::string>{"14:05 Name"}));
    scene.world.zones.clear();
  }

  // Placed, the label stands right of the square, centred on it: 10 x 13 pixels of text.
  RecordingCanvas placed;
  PaintOverlays(placed, scene.Make({.marked = true}), false, hover);
  ASSERT_EQ(placed.texts.size(), 1u);
  EXPECT_EQ(placed.texts[0].x, 308);
  EXPECT_EQ(placed.texts[0].y, 198 + 3 - 6);

  // A desktop whose dates take a separator of several bytes (Arabic) reads the same clock.
  for (const char* separator : {"\xd8\x8c", "\xe2\x80\x8f/"}) {
    scene.locale = FixedLocaleInfo{separator};
    RecordingCanvas arabic;
    PaintOverlays(arabic, scene.Make({.marked = true}), false, hover);
    ASSERT_EQ(arabic.texts.size(), 1u);
    EXPECT_EQ(arabic.texts[0].text, "14:05 Name");
  }
}

TEST(Overlays, GridLabelsLinesAndColours) {
  const auto labels = [](float zoom) {
    Scene scene;
    RecordingCanvas canvas;
    HoverState hover;
    PaintOverlays(canvas, scene.Make({.grid = true}, zoom), false, hover);
    std::vector<std::string> texts;
    for (const auto& t : canvas.texts) texts.push_back(t.text);
    int red = 0;
    for (const auto& l : canvas.lines) red += l.pen == kRed;
    return std::pair{texts, std::pair{red, canvas}};
  };
  const auto [atOne, one] = labels(1.0f);
  // Every other line, meridians first, then on over the parallels; the meridian of -180 lies on
  // the area's left edge, where nothing is drawn.
  std::vector<std::string> expected;
  for (int d = -160; d <= 160; d += 20) expected.push_back(std::to_string(d) + ".0");
  for (int e = 90; e >= -90; e -= 20) expected.push_back(std::to_string(e) + ".0");
  EXPECT_EQ(atOne, expected);
  EXPECT_EQ(one.first, 2);  // the prime meridian and the equator
  const auto& lines = one.second.lines;
  const auto prime = std::find_if(lines.begin(), lines.end(),
                                  [](const auto& l) { return l.pen == kRed && l.x0 == l.x1; });
  ASSERT_NE(prime, lines.end());
  EXPECT_EQ(prime->x0, 512);
  // At 2.5 every line is labelled: the meridians that fit the area, then every parallel in it.
  const auto [atTwoHalf, twoHalf] = labels(2.5f);
  ASSERT_GE(atTwoHalf.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(atTwoHalf.begin(), atTwoHalf.begin() + 3),
            (std::vector<std::string>{"-170.0", "-160.0", "-150.0"}));
  EXPECT_NE(std::find(atTwoHalf.begin(), atTwoHalf.end(), "80.0"), atTwoHalf.end());
  (void)twoHalf;
}

TEST(Overlays, CityNamesMarkersOnlyWithoutAllCitiesAndTheHighlight) {
  Scene scene;
  scene.AddCityAt(300, 200, "Near");
  scene.AddCityAt(320, 200, "Around");
  scene.AddCityAt(700, 400, "Far");
  scene.world.zones.push_back({"Atlantis", "x", "", 0, 0, false, "x"});
  scene.world.cities[0].zoneKey = "x";
  OverlayScene s = scene.Make({.cityNames = true});
  s.pointer = {303, 201};
  RecordingCanvas canvas;
  HoverState hover;
  PaintOverlays(canvas, s, false, hover);
  int redMarkers = 0;
  for (const auto& l : canvas.lines) redMarkers += l.pen == kRed;
  EXPECT_EQ(redMarkers, 8);  // two cities within 40 pixels, four sides each
  EXPECT_EQ(hover.city, 0);
  EXPECT_EQ(hover.statusText, "Atlantis");
  ASSERT_FALSE(canvas.texts.empty());
  EXPECT_EQ(canvas.texts.back().text, "Near");
  EXPECT_EQ(canvas.texts.back().background, (Rgb{250, 0, 0}));

  RecordingCanvas withAll;
  HoverState again;
  s.layers.allCities = true;
  PaintOverlays(withAll, s, false, again);
  for (const auto& l : withAll.lines) EXPECT_FALSE(l.pen == kRed);
  EXPECT_EQ(again.city, 0);
}

TEST(Overlays, HoverRectanglesCoverALongNameAndTheClipSkipsFarMarkers) {
  Scene scene;
  scene.AddCityAt(300, 200, "Santa Cruz de la Sierra de los Andes");
  scene.AddCityAt(310, 205, "Close");
  scene.AddCityAt(700, 400, "Far");
  OverlayScene s = scene.Make({.allCities = true, .cityNames = true});
  s.pointer = {301, 200};
  s.clip = {250, 150, 100, 100};
  RecordingCanvas canvas;
  HoverState hover;
  PaintOverlays(canvas, s, false, hover);
  // One yellow fill per marker: the far city lies outside the clip and gets none.
  int markers = 0;
  for (const auto& f : canvas.fills) markers += f.colour == (Rgb{255, 255, 0});
  EXPECT_EQ(markers, 2);
  ASSERT_EQ(hover.city, 0);
  // The highlight's name starts at (309, 209) and is 36 x 7 pixels wide: the label rectangle
  // that the next move repaints reaches past it, beyond the usual 108 pixels.
  const MapRect& label = hover.labelRect;
  EXPECT_LE(label.left, 309);
  EXPECT_GE(label.left + label.width, 309 + 36 * 7);
  EXPECT_GE(label.top + label.height, 209 + 13);
  EXPECT_EQ(hover.markerRect, (MapRect{296, 196, 8, 8}));
}

TEST(Overlays, ScaleAndTheClockOnlyPaint) {
  Scene scene;
  scene.AddCityAt(300, 200, "Name", true);
  RecordingCanvas canvas;
  HoverState hover;
  PaintOverlays(canvas,
                scene.Make({.allCities = true, .grid = true, .marked = true, .info = true}, 0.5f),
                true, hover);
  // Only the marked city, the scale and the edge: no city markers, no grid.
  EXPECT_EQ(canvas.fills.size(), 1u);
  EXPECT_EQ(canvas.lines.size(), 4u + 2u);
  ASSERT_EQ(canvas.texts.size(), 2u);
  EXPECT_EQ(canvas.texts[1].text, "Scale: 78.27 km");
  // The scale reads on dark ocean: dark blue ringed in white.
  EXPECT_EQ(canvas.texts[1].halo, (Rgb{255, 255, 255}));
}

// The window keeps the marked cities between paints: each full paint takes the marks as they
// are, the clock-only paints and the one-second check reuse them, and replaced tables are never
// read through the old list's places. The label's saving comes from the city's rule.
TEST(Overlays, KeptMarkedCitiesFollowEveryFullPaintAndNewTables) {
  Scene scene;
  scene.AddCityAt(300, 200, "A", true);
  scene.AddCityAt(500, 100, "B");
  scene.AddCityAt(700, 300, "C");
  scene.world.cities[1].zoneKey = "Sydney";
  Zone sydney;
  sydney.zoneCity = "Sydney";
  sydney.ruleName = "AU";
  scene.world.zones.push_back(sydney);
  // Saving from the first Sunday of October to the first of April: in force in December.
  scene.world.rules = ParseDstRules("AU\tF\t0\t0\t4\t0\t-\nAU\tF\t0\t0\t10\t1\t-\n");
  ASSERT_EQ(scene.world.rules.size(), 1u);
  MarkedCityIndex index;
  const auto paint = [&](bool clockOnly) {
    OverlayScene s = scene.Make({.marked = true});
    s.markedIndex = &index;
    RecordingCanvas canvas;
    HoverState hover;
    PaintOverlays(canvas, s, clockOnly, hover);
    std::vector<std::string> texts;
    for (const auto& t : canvas.texts) texts.push_back(t.text);
    EXPECT_EQ(MarkedCityLabels(s), texts);
    return texts;
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(paint(false), (Texts{"14:05 A"}));
  SetMarked(scene.world.cities[1], true);
  EXPECT_EQ(paint(false), (Texts{"14:05 A", "15:05 B"}));
  EXPECT_EQ(paint(true), (Texts{"14:05 A", "15:05 B"}));
  SetMarked(scene.world.cities[0], false);
  EXPECT_EQ(paint(false), (Texts{"15:05 B"}));
  // New tables of one city, marked: the kept places 1 would lie beyond them.
  scene.world.cities.erase(scene.world.cities.begin(), scene.world.cities.begin() + 2);
  scene.world.cities.shrink_to_fit();
  SetMarked(scene.world.cities[0], true);
  EXPECT_EQ(paint(true), (Texts{"14:05 C"}));
}

TEST(Overlays, AScaleWordOfAnyLengthEndsInsideTheMap) {
  Scene scene;
  for (const bool fixed : {false, true}) {
    for (const char* word : {"km:", "Scale:", "Maßstab:", "مقياس الرسم:"}) {
      OverlayScene s = scene.Make({.info = true});
      s.texts.scale = word;
      s.fixedLabels = fixed;
      RecordingCanvas canvas;
      HoverState hover;
      PaintOverlays(canvas, s, true, hover);
      ASSERT_EQ(canvas.texts.size(), 1u);
      const auto& t = canvas.texts[0];
      const int width = canvas.MeasureText(t.text).width;
      if (fixed) {
        EXPECT_EQ(t.x, 1024 - 100) << word;  // the earlier look keeps its place
      } else {
        EXPECT_LE(t.x + width, 1024 - 2) << word;
        EXPECT_EQ(t.x, std::min(1024 - 100, 1024 - 2 - width)) << word;
      }
    }
  }
}

TEST(LabelPlacement, RightThenLeftThenAboveThenBelowOrNowhere) {
  const MapRect visible{0, 0, 400, 300};
  const TextSize size{70, 13};
  // Square at (100, 100): right (110, 97), left (26, 97), above (68, 83), below (68, 110).
  const std::vector<MapRect> around = LabelCandidates(100, 100, size);
  ASSERT_EQ(around.size(), 4u);
  EXPECT_EQ(around[0], (MapRect{110, 97, 70, 13}));
  EXPECT_EQ(around[1], (MapRect{26, 97, 70, 13}));
  EXPECT_EQ(around[2], (MapRect{68, 83, 70, 13}));
  EXPECT_EQ(around[3], (MapRect{68, 110, 70, 13}));
  struct Row {
    const char* what;
    std::vector<MapRect> taken;
    std::optional<MapRect> expected;
  };
  const Row rows[] = {
      {"free", {}, around[0]},
      {"right taken", {{150, 100, 5, 5}}, around[1]},
      {"both sides taken", {{150, 100, 5, 5}, {30, 100, 5, 5}}, around[2]},
      {"only below free", {{150, 100, 5, 5}, {30, 100, 5, 5}, {100, 90, 2, 2}}, around[3]},
      {"ringed in",
       {{0, 0, 400, 90}, {0, 90, 99, 210}, {107, 90, 293, 210}, {0, 107, 400, 193}},
       std::nullopt},
      // A neighbour needs a gap of two pixels, not only no overlap.
      {"neighbour two pixels away", {{182, 97, 10, 13}}, around[0]},
      {"neighbour touching", {{180, 97, 10, 13}}, around[1]},
  };
  for (const Row& r : rows) EXPECT_EQ(PlaceLabel(around, visible, r.taken), r.expected) << r.what;
  // At the map's edges: left at the right edge, below at the top, above at the bottom; in a
  // corner no side keeps it on the map, so there is none.
  const auto place = [&](int x, int y) {
    return PlaceLabel(LabelCandidates(x, y, size), visible, {});
  };
  EXPECT_EQ(place(390, 100), LabelCandidates(390, 100, size)[1]);
  EXPECT_EQ(place(150, 2), LabelCandidates(150, 2, size)[3]);
  EXPECT_EQ(place(300, 295), LabelCandidates(300, 295, size)[2]);
  EXPECT_EQ(place(2, 2), std::nullopt);
}

TEST(LabelPlacement, FixedLabelsStayPlainAndWhereTheyWere) {
  Scene scene;
  scene.AddCityAt(1020, 200, "Edge", true);
  scene.AddCityAt(1021, 201, "Beside", true);
  OverlayScene s = scene.Make({.grid = true, .marked = true, .info = true});
  s.fixedLabels = true;
  RecordingCanvas canvas;
  HoverState hover;
  PaintOverlays(canvas, s, false, hover);
  int marked = 0;
  for (const auto& t : canvas.texts) {
    EXPECT_FALSE(t.halo.has_value()) << t.text;
    if (t.opaque) {
      ++marked;
      EXPECT_GT(t.x, 1024 - 10);  // runs off the edge, as it always did
    }
  }
  EXPECT_EQ(marked, 2);
}

// Every city of the shipped list whose name (before the region) is a national capital.
int MarkCapitals(WorldData& world) {
  std::ifstream in(std::string(MERIDIANA_FIXTURES) + "/world/capitals.txt");
  std::set<std::string> capitals;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') capitals.insert(line);
  int marked = 0;
  for (City& city : world.cities) {
    city.marked = capitals.count(std::string(WithoutTrailingBlanks(city.name))) > 0;
    marked += city.marked;
  }
  return marked;
}

// In English, and in Japanese and Arabic, whose labels are other widths (the recording canvas
// measures bytes: three for a kana or kanji, two for an Arabic letter).
TEST(LabelPlacement, TheWorldsCapitalsAtZoomOneNeitherOverlapNorClip) {
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  ASSERT_GE(MarkCapitals(world), 190);
  FixedClock clock{UtcFromCalendar(2026, 12, 9, 21, 40, 0)};
  FixedLocaleInfo locale{"/"};
  struct Language {
    const char* code;
    const char* tokyo;  // Tokyo's name in its label
    std::size_t placed;  // labels that find a place at least: wider texts leave room for fewer
  };
  for (const Language& language : {Language{"", "Tokyo", 40}, Language{"jp", "東京都", 30},
                                   Language{"jo", "طوكيو", 30}}) {
  SCOPED_TRACE(language.code);
  ASSERT_EQ(LoadPlaceNames(world, language.code, {MERIDIANA_STAGE_DIR}), *language.code != '\0');
  for (const MapRect area : {MapRect{0, 0, 1024, 512}, MapRect{4, 30, 700, 400}}) {
    MapView view;
    view.zoom = 1.0f;
    view.scrollX = area.width == 1024 ? 0 : 250;
    view.scrollY = area.width == 1024 ? 0 : 40;
    OverlayScene s;
    s.view = &view;
    s.area = area;
    s.pictureRight = area.left + area.width;
    s.pictureBottom = area.top + area.height;
    s.world = &world;
    s.clock = &clock;
    s.locale = &locale;
    s.layers = {.grid = true, .marked = true, .info = true};
    RecordingCanvas canvas;
    HoverState hover;
    PaintOverlays(canvas, s, false, hover);
    std::vector<MapRect> labels;
    std::vector<MapRect> plain;  // grid labels and the scale
    for (const auto& t : canvas.texts) {
      const MapRect r{t.x, t.y, 7 * static_cast<int>(t.text.size()), 13};
      (t.opaque ? labels : plain).push_back(r);
    }
    ASSERT_GE(labels.size(), language.placed) << "most labels found a place";
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const MapRect& a = labels[i];
      EXPECT_GE(a.left, area.left);
      EXPECT_GE(a.top, area.top);
      EXPECT_LE(a.left + a.width, area.left + area.width);
      EXPECT_LE(a.top + a.height, area.top + area.height);
      // Neither overlapping nor touching: a gap on either side.
      const MapRect room{a.left - 1, a.top, a.width + 2, a.height};
      for (std::size_t j = i + 1; j < labels.size(); ++j)
        EXPECT_FALSE(Intersects(room, labels[j])) << i << " meets " << j;
      for (const MapRect& p : plain) EXPECT_FALSE(Intersects(a, p));
    }
    // The grid's labels keep off the scale, the last plain text.
    ASSERT_FALSE(plain.empty());
    for (std::size_t i = 0; i + 1 < plain.size(); ++i)
      EXPECT_FALSE(Intersects(plain[i], plain.back())) << i;
    // The labels are the language's.
    if (area.width == 1024) {
      EXPECT_TRUE(std::any_of(canvas.texts.begin(), canvas.texts.end(), [&](const auto& t) {
        return t.text.find(language.tokyo) != std::string::npos;
      }));
    }
  }
  }
}

}  // namespace
}  // namespace meridiana
