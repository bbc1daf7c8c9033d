#include "shell/window/view_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "foundation/key_value_store.h"
#include "foundation/memory_key_value_store.h"
#include "shell/app/ids.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/window/first_window_size.h"
#include "shell/window/wallpaper_values.h"

namespace meridiana {
namespace {

TEST(ViewCommands, OverlaySwitchesFlipTheirOwnSettingOnly) {
  Settings settings;
  settings.track = -3;  // anything below 1 counts as off
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdCityNames));
  EXPECT_EQ(settings.track, 40);  // City Names on is stored as 40
  settings.track = 7;             // any other positive value counts as on
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdCityNames));
  EXPECT_EQ(settings.track, 0);

  settings.grid = 5;
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdGrid));
  EXPECT_EQ(settings.grid, 0);
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdAllCities));
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdCitySelection));
  EXPECT_EQ(settings.cities, 1);
  EXPECT_EQ(settings.marked, 1);
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdMoon));
  settings.sharp = 0;
  ASSERT_TRUE(ToggleOverlay(settings, ids::kCmdSharpMap));
  EXPECT_EQ(settings.moon, 1);
  EXPECT_EQ(settings.sharp, 1);
  EXPECT_TRUE(settings.sharpStored);
  EXPECT_EQ(settings.grid, 0);
  const CommandStates states = LayerStates(settings);
  for (int command : {ids::kCmdMoon, ids::kCmdSharpMap})
    EXPECT_NE(std::find(states.begin(), states.end(), std::pair<int, bool>{command, true}),
              states.end())
        << command;

  // A mode command is not an overlay: nothing changes.
  const Settings before = settings;
  EXPECT_FALSE(ToggleOverlay(settings, ids::kCmdDayMap));
  EXPECT_EQ(settings.day, before.day);
  EXPECT_EQ(settings.grid, before.grid);
  EXPECT_EQ(settings.track, before.track);
}

TEST(ViewCommands, ModesAndPlaceRoundTripThroughTheSettings) {
  EXPECT_EQ(ModesFromSettings(nullptr), ViewModes{});
  Settings settings;
  settings.day = 1;
  settings.zones = 2;  // any non-zero value is on
  ViewModes modes = ModesFromSettings(&settings);
  EXPECT_TRUE(modes.day && modes.zones && !modes.night && !modes.shadow && !modes.clouds);
  modes.zones = false;
  modes.night = true;
  modes.clouds = true;  // never stored
  StoreModes(modes, &settings);
  EXPECT_EQ(settings.day, 1);
  EXPECT_EQ(settings.zones, 0);
  EXPECT_EQ(settings.night, 1);
  StoreModes(modes, nullptr);  // no settings, no crash

  MapView view;
  view.zoom = 2.5f;
  view.scrollX = 300;
  view.scrollY = -4;
  StoreViewPlace(view, &settings);
  MapView restored;
  RestoreViewPlace(&settings, restored);
  EXPECT_EQ(restored.zoom, 2.5f);
  EXPECT_EQ(restored.scrollX, 300);
  EXPECT_EQ(restored.scrollY, -4);
  RestoreViewPlace(nullptr, restored);  // leaves the view as it is
  EXPECT_EQ(restored.scrollX, 300);
}

// The checks follow the picture the compositor draws: at the first start no flag is on and the
// day map is what shows.
TEST(ViewCommands, DayAndNightChecksFollowThePictureShown) {
  struct Row {
    const char* what;
    ViewModes modes;
    bool day;
    bool night;
  };
  const Row rows[] = {
      {"first start", {}, true, false},
      {"day flag", {.day = true}, true, false},
      {"night flag", {.night = true}, false, true},
      {"both flags from an old file", {.day = true, .night = true}, false, true},
      {"clouds alone: the satellite frame", {.clouds = true}, false, false},
      {"clouds over the day map", {.day = true, .clouds = true}, true, false},
      {"clouds over the night map", {.night = true, .clouds = true}, false, true},
      {"zones over a grey day map", {.zones = true}, false, false},
      {"zones with the day flag", {.day = true, .zones = true}, true, false},
      {"night hides the zones", {.night = true, .zones = true}, false, true},
  };
  for (const Row& row : rows) {
    std::map<int, bool> checked;
    for (const auto& [command, on] : ModeStates(row.modes, false)) checked[command] = on;
    EXPECT_EQ(checked[ids::kCmdDayMap], row.day) << row.what;
    EXPECT_EQ(checked[ids::kCmdNightMap], row.night) << row.what;
    EXPECT_EQ(checked[ids::kCmdTimeZones], row.modes.zones) << row.what;
  }
}

TEST(ViewCommands, FirstWindowShowsTheMapAtZoomOneWhereTheScreenHasRoom) {
  const QSize chrome(0, 86);  // menu, toolbar, status bar
  const QSize map(1024, 512);
  const QSize fallback(800, 480);
  EXPECT_EQ(FirstWindowSize(chrome, map, {1600, 1000}, fallback), QSize(1024, 598));
  EXPECT_EQ(FirstWindowSize(chrome, map, {1280, 900}, fallback), QSize(1024, 598));
  // Too narrow or too low once the window manager's frame is added: the default size.
  EXPECT_EQ(FirstWindowSize(chrome, map, {1024, 768}, fallback), fallback);
  EXPECT_EQ(FirstWindowSize(chrome, map, {1366, 620}, fallback), fallback);
}

// The command line writes the wallpaper values while the window runs; the window takes them in,
// but an older file never overwrites what the window itself changed since.
TEST(WallpaperValues, TakesOnlyWhatSomebodyElseWrote) {
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, std::string(kAppKey));
  Settings window;  // as the start read them
  window.wallpaperFile = "own.bmp";
  WriteWallpaperValues(registry, window);
  WallpaperValues values;
  values.Sync(window, store);
  EXPECT_EQ(window.wallpaperFile, "own.bmp");
  EXPECT_EQ(window.wallpaper, 0);

  Settings commandLine;
  commandLine.wallpaper = 1;
  commandLine.wallpaperFile = "kept.bmp";
  // One-letter values as strings: GCC 12 at -O3 warns falsely on a one-letter literal.
  commandLine.wallpaperStyle = std::string("2");
  WriteWallpaperValues(registry, commandLine);
  values.Sync(window, store);
  EXPECT_EQ(window.wallpaper, 1);
  EXPECT_EQ(window.wallpaperFile, "kept.bmp");
  EXPECT_EQ(window.wallpaperStyle, "2");

  values.Write(window, store);
  window.wallpaperTile = std::string("0");  // changed in the window, not yet written
  values.Sync(window, store);
  EXPECT_EQ(window.wallpaperTile, "0");
}

}  // namespace
}  // namespace meridiana
