#pragma once
// Wallpaper mode in the window: the command switches it and keeps or puts back the user's own
// wallpaper, the shadow refresh writes the map again; what fails says so in the status bar.

#include <memory>

#include "foundation/dib.h"
#include "shell/window/feature_host.h"
#include "shell/window/wallpaper_values.h"

namespace meridiana {

class CommandTable;
class Compositor;
class MapImages;
class SharpImagery;
struct Settings;
class WallpaperBackend;
class WallpaperMode;

class DesktopWallpaper {
 public:
  // The compositor gives the view modes and the instant a globe wallpaper is drawn for.
  DesktopWallpaper(FeatureHost host, MapImages& images, const Compositor& compositor);
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
  // What the desktop gets: the composed map, or the disc the settings ask for.
  const Dib* Picture(const Settings& settings);

  FeatureHost host_;
  MapImages& images_;
  const Compositor& compositor_;
  std::unique_ptr<SharpImagery> sharp_;  // loaded the first time a disc is drawn
  DibPtr globe_;
  int width_ = 0;  // pixels; not kept, 0 at every start
  std::unique_ptr<WallpaperBackend> backend_;
  std::unique_ptr<WallpaperMode> mode_;
  WallpaperValues values_;
};

}  // namespace meridiana
