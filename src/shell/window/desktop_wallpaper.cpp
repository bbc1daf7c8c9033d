#include "shell/window/desktop_wallpaper.h"

#include <cstdlib>

#include "foundation/file_util.h"
#include "map/base_images.h"
#include "shell/app/ids.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/desktop/wallpaper_mode.h"
#include "shell/window/command_table.h"
#include "shell/window/status_text.h"

namespace meridiana {

DesktopWallpaper::DesktopWallpaper(FeatureHost host, MapImages& images)
    : host_(std::move(host)), images_(images) {}

DesktopWallpaper::~DesktopWallpaper() = default;

void DesktopWallpaper::AddCommands(CommandTable& table) {
  table.Add({ids::kCmdWallpaperMode}, [this](int) { Toggle(); });
}

WallpaperMode& DesktopWallpaper::Mode() {
  if (!mode_) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    std::string unknown;
    backend_ = WallpaperBackendFor(desktop != nullptr ? desktop : "", &unknown);
    // The user folder is the working directory, where the program keeps its files.
    mode_ = std::make_unique<WallpaperMode>(backend_.get(), CurrentFolder(), unknown);
  }
  return *mode_;
}

void DesktopWallpaper::SyncValues() {
  const MainWindowContext& context = *host_.context;
  if (context.settings == nullptr || context.store == nullptr) return;
  values_.Sync(*context.settings, *context.store);
}

void DesktopWallpaper::Toggle() {
  Settings* settings = host_.context->settings;
  if (settings == nullptr) return;
  SyncValues();
  WallpaperOutcome outcome;
  if (settings->wallpaper == 0) {
    if (images_.composed() == nullptr) host_.recomputeMap();
    if (host_.ensureComposed) host_.ensureComposed();
    outcome = Mode().Show(images_.composed(), width_, *settings, true);
    if (outcome.ok) settings->wallpaper = 1;
  } else {
    outcome = Mode().Restore(*settings);
    if (outcome.ok) settings->wallpaper = 0;
  }
  // At once: the command line reads them too.
  if (host_.context->store != nullptr) values_.Write(*settings, *host_.context->store);
  if (!outcome.ok) host_.status->Show(ToQString(outcome.message));
  host_.syncControls();
}

void DesktopWallpaper::Refresh() {
  Settings* settings = host_.context->settings;
  if (settings == nullptr) return;
  SyncValues();
  if (settings->wallpaper == 0) return;
  if (host_.ensureComposed) host_.ensureComposed();
  const WallpaperOutcome outcome = Mode().Show(images_.composed(), width_, *settings, false);
  if (!outcome.ok) host_.status->Show(ToQString(outcome.message));
}

}  // namespace meridiana
