// Wallpaper mode in the window: the command switches it and keeps or puts back the user's own
// wallpaper, the shadow refresh writes the map again; what fails says so in the status bar.

#include <cstdlib>

#include "foundation/file_util.h"
#include "foundation/key_value_store.h"
#include "map/base_images.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
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

namespace {

std::array<std::string, 4> ValuesOf(const Settings& settings) {
  return {std::to_string(settings.wallpaper), settings.wallpaperFile, settings.wallpaperTile,
          settings.wallpaperStyle};
}

}  // namespace

void MainWindow::SyncWallpaperValues() {
  Settings* settings = context_.settings;
  if (settings == nullptr || context_.store == nullptr) return;
  if (!wallpaperKnownSet_) {  // what the start read
    wallpaperKnown_ = ValuesOf(*settings);
    wallpaperKnownSet_ = true;
  }
  Settings stored = *settings;
  ReadWallpaperValues(SettingsRegistry(context_.store, std::string(kAppKey)), &stored);
  if (ValuesOf(stored) == wallpaperKnown_) return;  // nobody else changed them
  settings->wallpaper = stored.wallpaper != 0 ? 1 : 0;
  settings->wallpaperFile = stored.wallpaperFile;
  settings->wallpaperTile = stored.wallpaperTile;
  settings->wallpaperStyle = stored.wallpaperStyle;
  settings->wallpaperKeptUnreadable = stored.wallpaperKeptUnreadable;
  wallpaperKnown_ = ValuesOf(stored);
}

void MainWindow::WriteWallpaperValues() {
  Settings* settings = context_.settings;
  if (settings == nullptr || context_.store == nullptr) return;
  SettingsRegistry registry(context_.store, std::string(kAppKey));
  meridiana::WriteWallpaperValues(registry, *settings);
  wallpaperKnown_ = ValuesOf(*settings);
  wallpaperKnownSet_ = true;
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
  WriteWallpaperValues();  // at once: the command line reads them too
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
