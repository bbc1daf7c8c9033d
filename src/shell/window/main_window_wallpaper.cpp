// Wallpaper mode in the window: the command switches it and keeps or puts back the user's own
// wallpaper, the shadow refresh writes the map again; what fails says so in the status bar.

#include <cstdlib>

#include "foundation/file_util.h"
#include "map/base_images.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/desktop/wallpaper_mode.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"

namespace meridiana {

WallpaperMode& MainWindow::Wallpaper() {
  if (!wallpaper_) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    std::string unknown;
    wallpaperBackend_ = WallpaperBackendFor(desktop != nullptr ? desktop : "", &unknown);
    // The user folder is the working directory, where the program keeps its files.
    wallpaper_ = std::make_unique<WallpaperMode>(wallpaperBackend_.get(), CurrentFolder(), unknown);
  }
  return *wallpaper_;
}

void MainWindow::SyncWallpaperValues() {
  if (context_.settings == nullptr || context_.store == nullptr) return;
  wallpaperValues_.Sync(*context_.settings, *context_.store);
}

void MainWindow::ToggleWallpaperMode() {
  Settings* settings = context_.settings;
  if (settings == nullptr) return;
  SyncWallpaperValues();
  WallpaperOutcome outcome;
  if (settings->wallpaper == 0) {
    if (images_->composed() == nullptr) RecomputeMap();
    outcome = Wallpaper().Show(images_->composed(), wallpaperWidth_, *settings, true);
    if (outcome.ok) settings->wallpaper = 1;
  } else {
    outcome = Wallpaper().Restore(*settings);
    if (outcome.ok) settings->wallpaper = 0;
  }
  // At once: the command line reads them too.
  if (context_.store != nullptr) wallpaperValues_.Write(*settings, *context_.store);
  if (!outcome.ok) {
    statusMessageId_ = 0;
    statusBar_->SetPartText(0, ToQString(outcome.message));
  }
  SyncViewControls();
}

void MainWindow::RefreshWallpaper() {
  Settings* settings = context_.settings;
  if (settings == nullptr) return;
  SyncWallpaperValues();
  if (settings->wallpaper == 0) return;
  const WallpaperOutcome outcome =
      Wallpaper().Show(images_->composed(), wallpaperWidth_, *settings, false);
  if (!outcome.ok) {
    statusMessageId_ = 0;
    statusBar_->SetPartText(0, ToQString(outcome.message));
  }
}

}  // namespace meridiana
