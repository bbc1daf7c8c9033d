#include "map/base_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "map/dib_ops.h"
#include "support/recording_notice.h"

namespace meridiana {
namespace {

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace meridiana
