#pragma once
// Wallpaper mode: the composed map becomes the desktop's wallpaper and is written again at every
// refresh; the user's own wallpaper settings are kept in the program's settings when the mode
// comes on and put back when it goes off, in this run or a later one, from the window or the
// command line alike.

#include <string>

#include "foundation/dib.h"
#include "shell/app/settings.h"
#include "shell/desktop/wallpaper_backend.h"

namespace meridiana {

struct WallpaperOutcome {
  bool ok = false;
  std::string message;  // what went wrong, for the status bar or standard error
};

class WallpaperMode {
 public:
  // backend may be null (no known desktop): every step then fails with `unknownDesktop`.
  WallpaperMode(WallpaperBackend* backend, std::string folder, std::string unknownDesktop = {});

  // Writes the map (scaled to width, 0 for the map's own size) and shows it. When the mode has
  // just come on, the desktop's values are kept first, unless the desktop already shows one of
  // our own files (a second "on"): the user's wallpaper is never taken to be the map.
  WallpaperOutcome Show(const Dib* composed, int width, Settings& settings, bool switchedOn);
  // The kept values back on the desktop.
  WallpaperOutcome Restore(const Settings& settings);

 private:
  WallpaperBackend* backend_;
  std::string folder_;
  std::string unknownDesktop_;
};

}  // namespace meridiana
