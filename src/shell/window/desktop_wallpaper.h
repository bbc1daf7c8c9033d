#pragma once
// Wallpaper mode in the window: the command switches it and keeps or puts back the user's own
// wallpaper, the shadow refresh writes the map again; what fails says so in the status bar.

#include <memory>

#include "shell/window/feature_host.h"
#include "shell/window/wallpaper_values.h"

namespace meridiana {

class CommandTable;
class MapImages;
class WallpaperBackend;
class WallpaperMode;

class DesktopWallpaper {
 public:
  DesktopWallpaper(FeatureHost host, MapImages& images);
  ~DesktopWallpaper();

  // Wallpaper Mode.
  void AddCommands(CommandTable& table);
  // Writes the map again while the mode is on.
  void Refresh();
  // The wallpaper values as the settings file has them now: the command line may have changed
  // them while the window ran, and the window acts on, and saves, the newest.
  void SyncValues();
  int width() const { return width_; }
  void SetWidth(int pixels) { width_ = pixels; }

 private:
  void Toggle();
  WallpaperMode& Mode();

  FeatureHost host_;
  MapImages& images_;
  int width_ = 0;  // pixels; not kept, 0 at every start
  std::unique_ptr<WallpaperBackend> backend_;
  std::unique_ptr<WallpaperMode> mode_;
  WallpaperValues values_;
};

}  // namespace meridiana
