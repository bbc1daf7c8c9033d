// Wallpaper mode's bookkeeping with a back-end of the test's own: what is kept must be read back
// whole, and the map's own files are told from the user's by folder, not by name. The real
// desktops are driven by tests/cli/wallpaper_*.sh.

#include "shell/desktop/wallpaper_mode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/memory_key_value_store.h"
#include "map/dib_ops.h"
#include "map/wallpaper_file.h"
#include "shell/app/settings_store.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

constexpr char kKey[] = "Software\\QUILLARY\\Meridiana";

// A desktop that keeps one picture path; it records what the mode asked of it.
class PathDesktop : public WallpaperBackend {
 public:
  std::string Name() const override { return "test"; }
  bool Read(KeptWallpaper* kept, std::string*) override {
    *kept = {{true, shown}, {}, {}};
    return true;
  }
  std::string Apply(const std::string& file) override {
    applied.push_back(file);
    shown = file;
    return {};
  }
  std::string Restore(const KeptWallpaper& kept) override {
    ++restores;
    shown = kept.file.value;
    return {};
  }
  bool ShowsOwnFile(const KeptSetting& picture) const override { return IsOwnFile(picture.value); }

  std::string shown;
  std::vector<std::string> applied;
  int restores = 0;
};

TEST(WallpaperFiles, TheMapsOwnFilesAreKnownByTheirFolder) {
  TempDir dir;
  const std::string folder = dir.File("user");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.File("Pictures").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(folder.c_str(), dir.File("link").c_str()), 0);
  const struct {
    std::string path;
    bool own;
  } cases[] = {
      {folder + "/Wallpaper.bmp", true},
      {folder + "/Wallpaper-2.bmp", true},
      {dir.File("link") + "/Wallpaper.bmp", true},  // the same folder by another name
      {folder + "//Wallpaper.bmp", true},
      {dir.File("Pictures") + "/Wallpaper.bmp", false},  // the user's own, same name
      {"/Wallpaper.bmp", false},
      {folder + "/Wallpaper.bmp.png", false},
      {folder + "/MyWallpaper.bmp", false},
      {"Wallpaper.bmp", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWallpaperFileIn(c.path, folder), c.own) << c.path;
    EXPECT_EQ(IsWallpaperFileIn(c.path, folder + "/"), c.own) << c.path << " (folder with /)";
  }
  EXPECT_FALSE(IsWallpaperFileIn(folder + "/Wallpaper.bmp", ""));
}

class WallpaperModeTest : public ::testing::Test {
 protected:
  WallpaperModeTest() { map_ = DibCreate(64, 32, 24); }

  TempDir dir_;
  MemoryKeyValueStore store_;
  SettingsRegistry registry_{&store_, kKey};
  PathDesktop desktop_;
  DibPtr map_;
};

TEST_F(WallpaperModeTest, AUsersPictureNamedLikeTheMapsIsKeptAndGivenBack) {
  const std::string mine = dir_.Write("Wallpaper.bmp", "the user's");  // beside, not in, the folder
  ASSERT_EQ(::mkdir(dir_.File("user").c_str(), 0700), 0);
  WallpaperMode mode(&desktop_, dir_.File("user"));
  desktop_.shown = mine;
  Settings settings;
  ASSERT_TRUE(mode.Show(map_.get(), 0, settings, true).ok);
  EXPECT_EQ(settings.wallpaperFile, "set:" + mine);
  // A second on over the map keeps what the first kept.
  ASSERT_TRUE(mode.Show(map_.get(), 0, settings, true).ok);
  EXPECT_EQ(settings.wallpaperFile, "set:" + mine);
  ASSERT_TRUE(mode.Restore(settings).ok);
  EXPECT_EQ(desktop_.shown, mine);
}

TEST_F(WallpaperModeTest, KeptValuesOfManyMonitorsAreReadBackWhole) {
  Settings settings;
  settings.wallpaper = 1;
  for (int i = 0; i < 400; ++i)
    settings.wallpaperFile += "/backdrop/screen0/monitor" + std::to_string(i) +
                              "/workspace0/last-image=/home/me/Pictures/long-named-picture.jpg\n";
  ASSERT_GT(settings.wallpaperFile.size(), 20000u);
  settings.wallpaperStyle = "set:" + std::string(kMaxKeptWallpaperBytes - 4, 's');
  WriteWallpaperValues(registry_, settings);
  Settings read;
  ReadWallpaperValues(registry_, &read);
  EXPECT_FALSE(read.wallpaperKeptUnreadable);
  EXPECT_EQ(read.wallpaperFile, settings.wallpaperFile);
  EXPECT_EQ(read.wallpaperStyle, settings.wallpaperStyle);
}

TEST_F(WallpaperModeTest, WhatCannotBeReadBackIsNeitherWrittenNorPutBack) {
  ASSERT_EQ(::mkdir(dir_.File("user").c_str(), 0700), 0);
  WallpaperMode mode(&desktop_, dir_.File("user"));

  // On over a desktop whose values are too long to keep: the desktop stays as it is.
  desktop_.shown = std::string(kMaxKeptWallpaperBytes, 'p');
  Settings settings;
  settings.wallpaperFile = "set:/home/me/before.jpg";
  const WallpaperOutcome on = mode.Show(map_.get(), 0, settings, true);
  EXPECT_FALSE(on.ok);
  EXPECT_NE(on.message.find("too long"), std::string::npos) << on.message;
  EXPECT_TRUE(desktop_.applied.empty());
  EXPECT_EQ(settings.wallpaperFile, "set:/home/me/before.jpg");

  // A stored value too long to read (an earlier version wrote it): off changes nothing and says
  // so, and the value stays for a version that can read it.
  const std::string huge = "set:" + std::string(kMaxKeptWallpaperBytes + 10, 'x');
  store_.Write(Hive::CurrentUser, kKey, "wallpaper", "1");
  store_.Write(Hive::CurrentUser, kKey, "wallpaperfile", huge);
  Settings stored;
  ReadWallpaperValues(registry_, &stored);
  EXPECT_TRUE(stored.wallpaperKeptUnreadable);
  desktop_.shown = "map";
  const WallpaperOutcome off = mode.Restore(stored);
  EXPECT_FALSE(off.ok);
  EXPECT_FALSE(off.message.empty());
  EXPECT_EQ(desktop_.restores, 0);
  EXPECT_EQ(desktop_.shown, "map");
  WriteWallpaperValues(registry_, stored);
  EXPECT_EQ(store_.Read(Hive::CurrentUser, kKey, "wallpaperfile"), huge);
  EXPECT_EQ(store_.Read(Hive::CurrentUser, kKey, "wallpaper"), "1");
}

}  // namespace
}  // namespace meridiana
