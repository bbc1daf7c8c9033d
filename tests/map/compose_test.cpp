#include "map/compose.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "map/base_images.h"
#include "support/recording_notice.h"

namespace meridiana {
namespace {

DibPtr Filled(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  DibPtr dib = DibCreate(w, h, 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = dib->rows[y] + 3 * x;
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  return dib;
}

struct Bgr {
  int b, g, r;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

Bgr PixelOf(const Dib* dib, int x = 0, int y = 0) {
  const uint8_t* p = dib->rows[y] + 3 * x;
  return {p[0], p[1], p[2]};
}

TEST(CloudBlend, DarkCloudKeepsGroundBrightCloudWinsTheRestIsWeighted) {
  struct Row {
    Bgr ground, cloud, expected;
  };
  const Row rows[] = {
      {{100, 100, 100}, {5, 5, 5}, {100, 100, 100}},        // cloud mean 5
      {{100, 100, 100}, {8, 9, 12}, {100, 100, 100}},       // mean 9: still below 10
      {{100, 100, 100}, {250, 250, 250}, {250, 250, 250}},  // cloud mean 250
      {{100, 100, 100}, {241, 241, 242}, {241, 241, 242}},  // mean 241
      {{100, 100, 100}, {200, 200, 200}, {184, 184, 184}},
      {{30, 60, 90}, {100, 120, 140}, {90, 112, 134}},   // weights 0.5 and 2
      {{0, 0, 2}, {100, 100, 100}, {0, 0, 0}},           // ground mean 0: black
      {{100, 100, 100}, {10, 10, 10}, {100, 100, 100}},  // mean 10 blends: 1011 / 10.1
  };
  for (const Row& r : rows) {
    DibPtr a = Filled(2, 1, r.ground.b, r.ground.g, r.ground.r);
    DibPtr b = Filled(2, 1, r.cloud.b, r.cloud.g, r.cloud.r);
    DibPtr o = DibCreate(2, 1, 24);
    ASSERT_TRUE(CloudBlend(a.get(), b.get(), o.get()));
    EXPECT_EQ(PixelOf(o.get(), 1), r.expected) << r.cloud.b << " over " << r.ground.b;
  }
}

TEST(CloudBlend, ValuesPastWhiteStayWhiteInsteadOfWrapping) {
  // Blue: (255 * 85/240 + 255 * 240/85 + 10) / (85/240 + 240/85) = 258.1.
  DibPtr a = Filled(1, 1, 255, 0, 0);
  DibPtr b = Filled(1, 1, 255, 255, 210);
  DibPtr o = DibCreate(1, 1, 24);
  ASSERT_TRUE(CloudBlend(a.get(), b.get(), o.get()));
  EXPECT_EQ(PixelOf(o.get()).b, 255);
  EXPECT_EQ(PixelOf(o.get()).g, 229);
}

TEST(CloudBlend, RefusesMissingOrMismatchedImages) {
  DibPtr a = Filled(2, 2, 1, 2, 3);
  DibPtr small = Filled(2, 1, 1, 2, 3);
  DibPtr o = Filled(2, 2, 7, 7, 7);
  EXPECT_FALSE(CloudBlend(a.get(), nullptr, o.get()));
  EXPECT_FALSE(CloudBlend(a.get(), small.get(), o.get()));
  EXPECT_FALSE(ZoneTint(a.get(), small.get(), o.get()));
  EXPECT_EQ(PixelOf(o.get(), 1, 1), (Bgr{7, 7, 7}));
}

TEST(ZoneTint, GreyDayTintedWithTheZoneColour) {
  struct Row {
    Bgr day, zone, expected;
  };
  const Row rows[] = {
      {{90, 120, 150}, {200, 200, 200}, {144, 144, 144}},
      {{90, 120, 150}, {0, 100, 255}, {84, 114, 160}},  // 160.5 truncates
      {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
      {{0, 0, 2}, {0, 0, 0}, {0, 0, 0}},  // mean 0
  };
  for (const Row& r : rows) {
    DibPtr a = Filled(1, 1, r.day.b, r.day.g, r.day.r);
    DibPtr z = Filled(1, 1, r.zone.b, r.zone.g, r.zone.r);
    DibPtr o = DibCreate(1, 1, 24);
    ASSERT_TRUE(ZoneTint(a.get(), z.get(), o.get()));
    EXPECT_EQ(PixelOf(o.get()), r.expected) << r.zone.r;
  }
}

TEST(ViewModes, ChooseTheFirstRowThatApplies) {
  struct Row {
    ViewModes modes;
    ComposeSource expected;
  };
  const Row rows[] = {
      {{.day = true, .night = true, .clouds = true}, ComposeSource::kCloudsOverDay},
      {{.night = true, .zones = true, .clouds = true}, ComposeSource::kCloudsOverNight},
      {{.night = true, .zones = true}, ComposeSource::kNight},
      {{.zones = true, .clouds = true}, ComposeSource::kClouds},
      {{.day = true, .zones = true, .shadow = true}, ComposeSource::kZones},
      {{.day = true}, ComposeSource::kDay},
      {{}, ComposeSource::kDay},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ChooseComposeSource(r.modes), r.expected) << static_cast<int>(r.expected);
  }
}

TEST(ViewModes, CommandsChangeTheFlagsAsTheMenuDoes) {
  ViewModes m{.day = true, .zones = false, .shadow = true};
  EXPECT_TRUE(ApplyViewCommand(m, kCmdNightMap));
  EXPECT_EQ(m, (ViewModes{.night = true, .shadow = true}));
  EXPECT_TRUE(ApplyViewCommand(m, kCmdDayMap));
  EXPECT_EQ(m, (ViewModes{.day = true, .shadow = true}));
  m.night = true;
  m.clouds = true;
  EXPECT_TRUE(ApplyViewCommand(m, kCmdTimeZones));
  EXPECT_EQ(m, (ViewModes{.day = true, .zones = true, .shadow = true}));
  EXPECT_TRUE(ApplyViewCommand(m, kCmdClouds));  // on: the shadow goes off
  EXPECT_EQ(m, (ViewModes{.day = true, .zones = true, .clouds = true}));
  EXPECT_TRUE(ApplyViewCommand(m, kCmdSunShadow));
  EXPECT_TRUE(ApplyViewCommand(m, kCmdClouds));  // off: the shadow stays as it is
  EXPECT_EQ(m, (ViewModes{.day = true, .zones = true, .shadow = true}));
  EXPECT_FALSE(ApplyViewCommand(m, 40012));
}

class FakeHost : public ComposeHost {
 public:
  bool minimised = false;
  bool transfer = false;
  std::vector<bool> cursor;
  bool Minimised() const override { return minimised; }
  bool TransferInProgress() const override { return transfer; }
  void SetWaitCursor(bool on) override { cursor.push_back(on); }
};

// Synthetic base images, uniform colours of the base-map size.
class CompositorTest : public ::testing::Test {
 protected:
  CompositorTest() : images("/nonexistent-folder", &notice), compositor(images, &host, &notice) {
    images.PutDay(Filled(1024, 512, 100, 100, 100));
    images.PutNight(Filled(1024, 512, 10, 10, 30));
    images.PutZones(Filled(1024, 512, 200, 200, 200));
    // Stands in for the sun shadow: adds 1 to every blue byte and counts its runs.
    compositor.SetShadowPass([this](Dib* map, const Dib* night, TimeValue now) {
      ++shadowRuns;
      lastNight = night;
      lastNow = now;
      for (int y = 0; y < DibHeight(map); ++y) {
        for (int x = 0; x < DibWidth(map); ++x) ++map->rows[y][3 * x];
      }
    });
  }

  RecordingNotice notice;
  FakeHost host;
  MapImages images;
  Compositor compositor;
  int shadowRuns = 0;
  const Dib* lastNight = nullptr;
  TimeValue lastNow = 0;
};

TEST_F(CompositorTest, DayWithShadowRunsThePassOnAFreshCopyEachTime) {
  compositor.modes = {.day = true, .shadow = true};
  ASSERT_TRUE(compositor.Compose(1234));
  ASSERT_TRUE(compositor.Compose(1234));
  EXPECT_EQ(shadowRuns, 2);
  EXPECT_EQ(lastNight, images.night());
  EXPECT_EQ(lastNow, 1234);
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{101, 100, 100}));
  EXPECT_EQ(PixelOf(images.day()), (Bgr{100, 100, 100}));  // the day image is untouched
  EXPECT_TRUE(compositor.changed());
  ASSERT_EQ(notice.statuses().size(), 4u);
  EXPECT_EQ(notice.statuses()[0], (RecordingNotice::Status{0, "Calculating Shadow..."}));
  EXPECT_EQ(notice.LastStatus(0), "");
  EXPECT_EQ(host.cursor, (std::vector<bool>{true, false, true, false}));

  notice.Clear();
  host.transfer = true;  // the network owns the status bar meanwhile
  compositor.Compose(1234);
  EXPECT_TRUE(notice.statuses().empty());
}

// While a sharp view covers the map, the day and zone maps are not composed: only the instant is
// kept, and the composed map is made for that instant when something asks for it. Cloud frames
// are composed as ever, since the sharp view filters them up from the composed map.
TEST_F(CompositorTest, ADeferredBaseIsComposedOnlyWhenAskedFor) {
  compositor.modes = {.day = true, .shadow = true};
  ASSERT_TRUE(compositor.EnsureComposed());  // nothing stale: nothing to do
  ASSERT_TRUE(compositor.Compose(1000));
  compositor.SetBaseDeferred(true);
  compositor.ClearChanged();
  ASSERT_TRUE(compositor.Compose(2000));
  EXPECT_EQ(shadowRuns, 1);
  EXPECT_EQ(compositor.composedAt(), 2000);
  EXPECT_TRUE(compositor.changed());
  EXPECT_TRUE(compositor.baseStale());
  ASSERT_TRUE(compositor.EnsureComposed());
  EXPECT_EQ(shadowRuns, 2);
  EXPECT_EQ(lastNow, 2000);
  EXPECT_FALSE(compositor.baseStale());
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{101, 100, 100}));  // a fresh copy, shaded once

  images.SetCloud(Filled(1024, 512, 250, 250, 250));
  compositor.modes = {.day = true, .clouds = true};
  ASSERT_TRUE(compositor.Compose(3000));
  EXPECT_FALSE(compositor.baseStale());
  EXPECT_NE(PixelOf(images.composed()), (Bgr{101, 100, 100}));
}

TEST_F(CompositorTest, NightMapSwitchesTheShadowOffForGood) {
  compositor.modes = {.day = true, .shadow = true};
  ApplyViewCommand(compositor.modes, kCmdNightMap);
  compositor.Compose(0);
  EXPECT_FALSE(compositor.modes.shadow);
  EXPECT_EQ(shadowRuns, 0);
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{10, 10, 30}));
  ApplyViewCommand(compositor.modes, kCmdNightMap);
  compositor.Compose(0);
  EXPECT_FALSE(compositor.modes.shadow);
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{100, 100, 100}));
}

TEST_F(CompositorTest, CloudsAloneShowTheFrameWithTheShadowWhenOn) {
  DibPtr cloud = Filled(1024, 512, 50, 60, 70);
  images.SetCloud(std::move(cloud));
  compositor.modes = {.shadow = true, .clouds = true};
  compositor.Compose(0);
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{51, 60, 70}));
  EXPECT_EQ(shadowRuns, 1);
}

TEST_F(CompositorTest, BlendsAndTintWriteTheComposedMap) {
  images.SetCloud(Filled(1024, 512, 200, 200, 200));
  compositor.modes = {.day = true, .clouds = true};
  compositor.Compose(0);
  EXPECT_EQ(PixelOf(images.composed(), 1023, 511), (Bgr{184, 184, 184}));
  compositor.modes = {.day = true, .zones = true};
  compositor.Compose(0);
  EXPECT_EQ(PixelOf(images.composed(), 5, 5), (Bgr{130, 130, 130}));  // (140 + 120) / 2
  compositor.modes = {
      .night = true,
      .clouds = true,
  };
  compositor.Compose(0);
  // Night (10,10,30), mean 16, under cloud mean 200: (0.8 + 2500 + 10) / 12.58.
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{199, 199, 199}));
}

TEST_F(CompositorTest, AMissingCloudOrZoneImageDoesNotStackShadows) {
  compositor.modes = {.day = true, .shadow = true, .clouds = true};
  compositor.Compose(0);
  compositor.Compose(0);
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{101, 100, 100}));
  MapImages noZones("/nonexistent-folder", nullptr);
  noZones.PutDay(Filled(1024, 512, 100, 100, 100));
  noZones.PutNight(Filled(1024, 512, 0, 0, 0));
  Compositor c(noZones, nullptr, nullptr);
  int runs = 0;
  c.SetShadowPass([&](Dib* map, const Dib*, TimeValue) { ++runs, ++map->rows[0][0]; });
  c.modes = {.day = true, .zones = true, .shadow = true};
  c.Compose(0);
  c.Compose(0);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(PixelOf(noZones.composed()), (Bgr{101, 100, 100}));
}

TEST_F(CompositorTest, AMissingNightImageSkipsTheShadowWithAnErrorBox) {
  MapImages noNight("/nonexistent-folder", &notice);
  noNight.PutDay(Filled(1024, 512, 100, 100, 100));
  Compositor c(noNight, nullptr, &notice);
  int runs = 0;
  c.SetShadowPass([&](Dib*, const Dib*, TimeValue) { ++runs; });
  c.modes = {.day = true, .shadow = true};
  EXPECT_TRUE(c.Compose(0));
  EXPECT_EQ(runs, 0);
  ASSERT_EQ(notice.messages().size(), 1u);
  EXPECT_EQ(notice.messages()[0],
            (RecordingNotice::Message{"Error", "Unable to load file 'images/earth_night.bmp'"}));
  EXPECT_EQ(PixelOf(noNight.composed()), (Bgr{100, 100, 100}));

  // Night Map without a night image leaves no composed map.
  c.modes = {.night = true};
  c.Compose(0);
  EXPECT_EQ(noNight.composed(), nullptr);
}

TEST_F(CompositorTest, NothingIsComposedWhileMinimised) {
  host.minimised = true;
  compositor.modes = {.day = true, .shadow = true};
  EXPECT_FALSE(compositor.Compose(0));
  EXPECT_FALSE(compositor.changed());
  EXPECT_EQ(images.composed(), nullptr);
  EXPECT_EQ(shadowRuns, 0);
}

// A frame stepped or played gets no zone tint and, over the night map, no shadow; over the day
// map a ticked Sun Shadow shades it for the instant the map shows.
TEST_F(CompositorTest, AnimationFramesBlendWithoutTintAndShadedOverTheDay) {
  compositor.modes = {.night = true, .zones = true, .shadow = true};
  const DibPtr frame = Filled(1024, 512, 200, 200, 200);
  ASSERT_TRUE(compositor.ShowCloudFrame(frame.get()));
  EXPECT_EQ(PixelOf(images.composed()), (Bgr{199, 199, 199}));
  EXPECT_EQ(shadowRuns, 0);
  EXPECT_TRUE(compositor.changed());
  EXPECT_FALSE(compositor.blendInProgress());

  compositor.modes = {.day = true, .shadow = true, .clouds = true};
  compositor.Compose(1234);
  shadowRuns = 0;
  lastNow = 0;
  ASSERT_TRUE(compositor.ShowCloudFrame(frame.get()));
  EXPECT_EQ(shadowRuns, 1);
  EXPECT_EQ(lastNow, 1234);
}

TEST_F(CompositorTest, MinimiseFreesTheBaseImagesButKeepsTheComposedMap) {
  compositor.modes = {.day = true};
  compositor.Compose(0);
  images.FreeForMinimise();
  EXPECT_EQ(images.day(), nullptr);
  EXPECT_EQ(images.night(), nullptr);
  EXPECT_EQ(images.zones(), nullptr);
  EXPECT_NE(images.composed(), nullptr);
}

}  // namespace
}  // namespace meridiana
