// The earthquake layer and the cloud frame's date: colour classes at their edges, what is left
// out near the area's edge, the legend, and the date text of a frame's time stamp.

#include <gtest/gtest.h>

#include "map/overlays/overlays.h"
#include "support/recording_canvas.h"

namespace meridiana {
namespace {

TEST(OnlineLayers, MagnitudeClassesAtTheirEdges) {
  const std::pair<float, int> cases[] = {{-1.0f, 0}, {2.0f, 0},  {2.01f, 1}, {3.0f, 1},
                                         {5.0f, 3},  {5.01f, 4}, {8.0f, 6},  {8.5f, 7}};
  for (const auto& [magnitude, k] : cases) EXPECT_EQ(QuakeClass(magnitude), k) << magnitude;
}

TEST(OnlineLayers, QuakesAreDrawnWhereTheyAreWithTheLegend) {
  MapView view;
  WorldData world;
  // Base-map pixels (512, 256), (2, 2) and (0, 298): the last is too near the left edge.
  const std::vector<QuakeMark> quakes = {
      {0.2f, 0.2f, 5.0f}, {-179.1f, 89.1f, 7.5f}, {-179.9f, -15.0f, 1.0f}};
  OverlayScene scene;
  scene.view = &view;
  scene.area = {10, 20, 1024, 512};
  scene.world = &world;
  scene.layers.earthquakes = true;
  scene.quakes = &quakes;
  RecordingCanvas canvas;
  HoverState hover;
  PaintOverlays(canvas, scene, false, hover);
  ASSERT_EQ(canvas.ellipses.size(), 2u);
  EXPECT_EQ(canvas.ellipses[0].left, 10 + 512 - 1);
  EXPECT_EQ(canvas.ellipses[0].top, 20 + 256 - 1);
  EXPECT_EQ(canvas.ellipses[0].right - canvas.ellipses[0].left, 9);
  EXPECT_EQ(canvas.ellipses[0].fill, (Rgb{0, 255, 0}));
  EXPECT_EQ(canvas.ellipses[0].pen, (Rgb{60, 60, 60}));
  EXPECT_EQ(canvas.ellipses[1].left, 10 + 2 - 1);  // x = area left + 2 is still drawn
  EXPECT_EQ(canvas.ellipses[1].fill, (Rgb{255, 255, 0}));
  // Eight swatches from 250 pixels left of the right edge, then the digits 1 to 9.
  ASSERT_EQ(canvas.fills.size(), 8u);
  EXPECT_EQ(canvas.fills[0].left, 10 + 1024 - 250);
  EXPECT_EQ(canvas.fills[0].top, 20 + 512 - 50);
  EXPECT_EQ(canvas.fills[7].colour, (Rgb{255, 255, 255}));
  ASSERT_EQ(canvas.texts.size(), 9u);
  EXPECT_EQ(canvas.texts[8].text, "9");
  EXPECT_EQ(canvas.texts[8].x, 10 + 1024 - 250 + 240 - 10);

  // Not in the one-second paint, and only the legend without a list.
  RecordingCanvas clockOnly;
  PaintOverlays(clockOnly, scene, true, hover);
  EXPECT_TRUE(clockOnly.ellipses.empty());
  scene.quakes = nullptr;
  RecordingCanvas empty;
  PaintOverlays(empty, scene, false, hover);
  EXPECT_TRUE(empty.ellipses.empty());
  EXPECT_EQ(empty.fills.size(), 8u);
}

TEST(OnlineLayers, CloudDateFromTheFramesTimeStamp) {
  const OnlineLayerTexts english;
  EXPECT_EQ(CloudDateText("2005061514", english), "Image Date: 15/06 2pm");
  EXPECT_EQ(CloudDateText("200506150012", english), "Image Date: 15/06 12am");  // no hour 0
  EXPECT_EQ(CloudDateText("2005061512", english), "Image Date: 15/06 12pm");
  EXPECT_EQ(CloudDateText("2005061511", {"Bilddatum:", "vm", "nm"}), "Bilddatum: 15/06 11vm");
  EXPECT_EQ(CloudDateText("20050615", english), "");
  EXPECT_EQ(CloudDateText("20050615x1", english), "");

  // Where the locale has short formats they are used; without them, the fixed form.
  struct IsoLocale : FixedLocaleInfo {
    std::string ShortDate(int y, int m, int d) const override {
      return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
    }
    std::string ShortHour(int h) const override { return std::to_string(h) + "h"; }
  };
  const IsoLocale iso;
  EXPECT_EQ(CloudDateText("2005061500", english, iso), "Image Date: 2005-6-15 0h");
  EXPECT_EQ(CloudDateText("2005061514", english, FixedLocaleInfo{}), "Image Date: 15/06 2pm");
  EXPECT_EQ(CloudDateText("2005061", english, iso), "");

  MapView view;
  WorldData world;
  OverlayScene scene;
  scene.view = &view;
  scene.area = {0, 0, 800, 400};
  scene.world = &world;
  scene.layers.info = true;
  scene.cloudTime = "2005061514";
  RecordingCanvas withoutClouds;
  HoverState hover;
  PaintOverlays(withoutClouds, scene, true, hover);
  EXPECT_EQ(withoutClouds.texts.size(), 1u);  // the scale alone
  scene.layers.clouds = true;
  RecordingCanvas canvas;
  PaintOverlays(canvas, scene, true, hover);
  ASSERT_EQ(canvas.texts.size(), 2u);
  EXPECT_EQ(canvas.texts[1].text, "Image Date: 15/06 2pm");
  // 245 pixels left of the right edge, unless the text would then run into the scale: the
  // recorder's font is 7 pixels a byte, so the 21 bytes end 8 pixels before it.
  EXPECT_EQ(canvas.texts[1].x, 800 - 100 - 7 * 21 - 8);
  EXPECT_EQ(canvas.texts[1].y, 400 - 20);
  EXPECT_EQ(canvas.texts[1].colour, (Rgb{0, 0, 250}));
  // The scale in the interface language's word, the number as before.
  EXPECT_EQ(canvas.texts[0].text, "Scale: 39.14 km");
  scene.texts.scale = "Maßstab:";
  RecordingCanvas german;
  PaintOverlays(german, scene, true, hover);
  ASSERT_FALSE(german.texts.empty());
  EXPECT_EQ(german.texts[0].text, "Maßstab: 39.14 km");

  // The window's paint has the user's locale: the date follows it.
  scene.locale = &iso;
  RecordingCanvas localized;
  PaintOverlays(localized, scene, true, hover);
  ASSERT_EQ(localized.texts.size(), 2u);
  EXPECT_EQ(localized.texts[1].text, "Image Date: 2005-6-15 14h");
}

// Where the data came from: above the legend's swatches, clear of them and of the digits, and
// before the cloud date on its line, which stays where it was.
TEST(OnlineLayers, SourceLinesBesideTheLegendAndTheDate) {
  MapView view;
  WorldData world;
  OverlayScene scene;
  scene.view = &view;
  scene.area = {10, 20, 1024, 512};
  scene.world = &world;
  scene.layers.earthquakes = true;
  scene.layers.info = true;
  scene.layers.clouds = true;
  scene.cloudTime = "2005061514";
  RecordingCanvas before;
  HoverState hover;
  PaintOverlays(before, scene, false, hover);

  scene.quakeSource = "Sample: 31 Jan - 7 Feb 2018";
  scene.cloudSource = "eumetsat, 2 h ago";
  RecordingCanvas canvas;
  PaintOverlays(canvas, scene, false, hover);
  ASSERT_EQ(canvas.texts.size(), before.texts.size() + 2);
  const auto find = [&](const std::string& text) {
    for (const RecordingCanvas::Label& label : canvas.texts)
      if (label.text == text) return label;
    ADD_FAILURE() << "not drawn: " << text;
    return RecordingCanvas::Label{};
  };
  // Everything drawn before is drawn again where it was.
  for (const RecordingCanvas::Label& old : before.texts) {
    const RecordingCanvas::Label now = find(old.text);
    EXPECT_EQ(now.x, old.x) << old.text;
    EXPECT_EQ(now.y, old.y) << old.text;
  }
  ASSERT_EQ(canvas.fills.size(), 8u);
  const RecordingCanvas::Fill& swatch = canvas.fills[0];
  const RecordingCanvas::Label quake = find(scene.quakeSource);
  EXPECT_EQ(quake.x, swatch.left);
  EXPECT_LE(quake.y + 13, swatch.top);      // the recorder's font is 13 pixels high
  EXPECT_GE(quake.y + 13, swatch.top - 4);  // and just above, not somewhere else
  EXPECT_EQ(quake.colour, (Rgb{0, 0, 255}));

  const RecordingCanvas::Label date = find("Image Date: 15/06 2pm");
  const RecordingCanvas::Label cloud = find(scene.cloudSource);
  EXPECT_EQ(cloud.y, date.y);
  EXPECT_LE(cloud.x + 7 * static_cast<int>(scene.cloudSource.size()), date.x - 4);
  EXPECT_EQ(cloud.colour, date.colour);

  // A line wider than the legend moves left rather than out of the area.
  scene.quakeSource = std::string(50, 'x');
  RecordingCanvas wide;
  PaintOverlays(wide, scene, false, hover);
  bool seen = false;
  for (const RecordingCanvas::Label& label : wide.texts) {
    if (label.text != scene.quakeSource) continue;
    seen = true;
    EXPECT_LE(label.x + 7 * 50, 10 + 1024);
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace meridiana
