#include "shell/window/wallpaper_values.h"

#include "foundation/key_value_store.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"

namespace meridiana {

namespace {

std::array<std::string, 4> ValuesOf(const Settings& settings) {
  return {std::to_string(settings.wallpaper), settings.wallpaperFile, settings.wallpaperTile,
          settings.wallpaperStyle};
}

}  // namespace

void WallpaperValues::Sync(Settings& settings, KeyValueStore& store) {
  if (!knownSet_) {  // what the start read
    known_ = ValuesOf(settings);
    knownSet_ = true;
  }
  Settings stored = settings;
  ReadWallpaperValues(SettingsRegistry(&store, std::string(kAppKey)), &stored);
  if (ValuesOf(stored) == known_) return;  // nobody else changed them
  settings.wallpaper = stored.wallpaper != 0 ? 1 : 0;
  settings.wallpaperFile = stored.wallpaperFile;
  settings.wallpaperTile = stored.wallpaperTile;
  settings.wallpaperStyle = stored.wallpaperStyle;
  settings.wallpaperKeptUnreadable = stored.wallpaperKeptUnreadable;
  known_ = ValuesOf(stored);
}

void WallpaperValues::Write(const Settings& settings, KeyValueStore& store) {
  SettingsRegistry registry(&store, std::string(kAppKey));
  WriteWallpaperValues(registry, settings);
  known_ = ValuesOf(settings);
  knownSet_ = true;
}

}  // namespace meridiana
