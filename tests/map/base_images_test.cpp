#include "map/base_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "map/compose.h"
#include "map/dib_ops.h"
#include "map/sun_shadow.h"
#include "support/recording_notice.h"
#include "support/same_pixels.h"

namespace meridiana {
namespace {

namespace fs = std::filesystem;
using test::SamePixels;

// A folder of synthetic base images, removed afterwards.
class BaseImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("meridiana_base_images_" +
              std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder / "images");
  }
  void TearDown() override { fs::remove_all(folder); }

  void Write(const char* relative, int w, int h, uint8_t blue) {
    DibPtr dib = DibCreate(w, h, 24, 256);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) dib->rows[y][3 * x] = blue;
    }
    ASSERT_TRUE(DibSaveBmp(dib.get(), (folder / relative).c_str()));
  }

  fs::path folder;
  RecordingNotice notice;
};

TEST_F(BaseImagesTest, LoadsWhatIsMissingAndReportsEachFailure) {
  Write(kDayImagePath, 1024, 512, 11);
  MapImages images(folder.string(), &notice);
  EXPECT_FALSE(images.LoadDayAndZones());
  ASSERT_NE(images.day(), nullptr);
  EXPECT_EQ(images.day()->rows[511][3 * 1023], 11);
  EXPECT_EQ(images.zones(), nullptr);
  ASSERT_EQ(notice.messages().size(), 1u);
  EXPECT_EQ(notice.messages()[0].caption, "Error");
  EXPECT_EQ(notice.messages()[0].text, "Unable to load file 'images/earth_tz.bmp'");

  Write(kZoneImagePath, 1024, 512, 22);
  Write(kDayImagePath, 1024, 512, 99);  // already loaded: not read again
  EXPECT_TRUE(images.LoadDayAndZones());
  EXPECT_EQ(images.day()->rows[0][0], 11);
  EXPECT_EQ(images.zones()->rows[0][0], 22);
  EXPECT_EQ(notice.messages().size(), 1u);

  images.ComposeFromDay();
  ASSERT_NE(images.composed(), nullptr);
  EXPECT_NE(images.composed(), images.day());
  EXPECT_EQ(images.composed()->rows[0][0], 11);
}

TEST_F(BaseImagesTest, ImagesOfAnotherSizeAreBroughtToTheBaseMapSize) {
  Write(kNightImagePath, 512, 256, 40);
  MapImages images(folder.string(), &notice);
  ASSERT_TRUE(images.LoadNight());
  EXPECT_EQ(DibWidth(images.night()), 1024);
  EXPECT_EQ(DibHeight(images.night()), 512);
  EXPECT_EQ(images.night()->rows[300][3 * 700], 40);

  images.SetCloud(DibCreate(100, 50, 24));
  EXPECT_EQ(DibWidth(images.cloud()), 1024);
  images.SetCloud(nullptr);
  EXPECT_EQ(images.cloud(), nullptr);
}

TEST_F(BaseImagesTest, PicturesStartedEarlierAreTakenFromTheirDecodeAndFailuresReported) {
  // Pictures at other paths than the folder's: the load must take the started decode.
  fs::create_directories(folder / "elsewhere" / "images");
  Write("elsewhere/images/earth_night.bmp", 1024, 512, 33);
  MapImages images(folder.string(), &notice);
  images.StartLoading(MapImages::Picture::kNight,
                      (folder / "elsewhere" / kNightImagePath).string());
  images.StartLoading(MapImages::Picture::kDay, (folder / "missing.bmp").string());
  Write(kDayImagePath, 1024, 512, 44);  // the folder's day picture is not what was asked for

  ASSERT_TRUE(images.LoadNight());
  EXPECT_EQ(images.night()->rows[0][0], 33);
  EXPECT_FALSE(images.LoadDay());
  ASSERT_EQ(notice.messages().size(), 1u);
  EXPECT_EQ(notice.messages()[0].text, "Unable to load file 'images/earth_day.bmp'");
  // The failed decode is used up: the next load reads the folder's picture.
  ASSERT_TRUE(images.LoadDay());
  EXPECT_EQ(images.day()->rows[0][0], 44);
  // A loaded picture is not decoded again.
  images.StartLoading(MapImages::Picture::kNight, (folder / "missing.bmp").string());
  ASSERT_TRUE(images.LoadNight());
  EXPECT_EQ(images.night()->rows[0][0], 33);
  EXPECT_EQ(notice.messages().size(), 1u);
}

// Pictures with a day and a night side at kInstant, written to the folder and started loading.
class ShadowInAdvanceTest : public BaseImagesTest {
 protected:
  static constexpr TimeValue kInstant = 1782066600;  // 2026-06-21 18:30 UTC
  void SetUp() override {
    BaseImagesTest::SetUp();
    Write(kDayImagePath, 1024, 512, 200);
    Write(kNightImagePath, 1024, 512, 10);
    images.StartLoading(MapImages::Picture::kDay, (folder / kDayImagePath).string());
    images.StartLoading(MapImages::Picture::kNight, (folder / kNightImagePath).string());
  }
  DibPtr Expected(TimeValue at) const {
    DibPtr expected = DibCopy(images.day());
    ApplySunShadow(expected.get(), images.night(), at);
    return expected;
  }
  MapImages images{folder.string(), &notice};
};

TEST_F(ShadowInAdvanceTest, TheComposeOfThatSecondTakesItAndALaterOneComputesAgain) {
  ASSERT_TRUE(images.StartShadowingDay(ApplySunShadow, [] { return kInstant; }));
  EXPECT_FALSE(images.StartShadowingDay(ApplySunShadow, [] { return kInstant; }));
  Compositor compositor(images, nullptr, &notice);
  compositor.modes.day = true;
  compositor.modes.shadow = true;
  int passes = 0;
  compositor.SetShadowPass([&](Dib* composed, const Dib* night, TimeValue now) {
    ++passes;
    ApplySunShadow(composed, night, now);
  });
  images.LoadDay();  // the start's order: the day first, the shadow later
  ASSERT_TRUE(compositor.Compose(kInstant));
  EXPECT_EQ(passes, 0);
  EXPECT_TRUE(SamePixels(images.composed(), Expected(kInstant).get()));
  EXPECT_TRUE(notice.statuses().empty());  // nothing was calculated here
  // Used once: the next composition runs the pass.
  ASSERT_TRUE(compositor.Compose(kInstant));
  EXPECT_EQ(passes, 1);
}

TEST_F(ShadowInAdvanceTest, AShadowOfAnotherSecondOrOtherPicturesIsNotUsed) {
  ASSERT_TRUE(images.StartShadowingDay(ApplySunShadow, [] { return kInstant; }));
  Compositor compositor(images, nullptr, &notice);
  compositor.modes.day = true;
  compositor.modes.shadow = true;
  images.LoadDay();
  ASSERT_TRUE(compositor.Compose(kInstant + 1));
  EXPECT_TRUE(SamePixels(images.composed(), Expected(kInstant + 1).get()));
  EXPECT_EQ(notice.statuses().size(), 2u);  // "Calculating Shadow..." and cleared

  // A day picture put in place meanwhile makes the result stale.
  MapImages other(folder.string(), &notice);
  other.StartLoading(MapImages::Picture::kDay, (folder / kDayImagePath).string());
  other.StartLoading(MapImages::Picture::kNight, (folder / kNightImagePath).string());
  ASSERT_TRUE(other.StartShadowingDay(ApplySunShadow, [] { return kInstant; }));
  other.PutDay(DibCreate(1024, 512, 24));
  ASSERT_TRUE(other.LoadNight());
  EXPECT_FALSE(other.TakeShadowedDay(kInstant));
  EXPECT_EQ(other.composed(), nullptr);

  // Nothing on its way: nothing to start.
  MapImages idle(folder.string(), &notice);
  EXPECT_FALSE(idle.StartShadowingDay(ApplySunShadow, [] { return kInstant; }));
  EXPECT_FALSE(idle.TakeShadowedDay(kInstant));
}

}  // namespace
}  // namespace meridiana
