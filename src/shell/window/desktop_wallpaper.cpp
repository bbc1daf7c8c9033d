#include "shell/window/desktop_wallpaper.h"

#include <cstdlib>

#include "foundation/clock.h"
#include "foundation/file_util.h"
#include "map/base_images.h"
#include "map/sharp_map.h"
#include "shell/app/ids.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/desktop/wallpaper_globe.h"
#include "shell/desktop/wallpaper_mode.h"
#include "shell/window/command_table.h"
#include "shell/window/status_text.h"

namespace meridiana {

DesktopWallpaper::DesktopWallpaper(FeatureHost host, MapImages& images,
                                   const Compositor& compositor)
    : host_(std::move(host)), images_(images), compositor_(compositor) {}

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

const Dib* DesktopWallpaper::Picture(const Settings& settings) {
  WorldData* world = host_.context->world;
  if (WallpaperProjectionOf(settings) == ProjectionKind::kRectangular || world == nullptr)
    return images_.composed();
  if (!sharp_) {
    sharp_ = std::make_unique<SharpImagery>(images_.folder());
    sharp_->Load();
  }
  // The instant the map shows; before any composition, now.
  TimeValue at = compositor_.composedAt();
  if (at == kNoTime && host_.liveClock != nullptr) at = host_.liveClock->Now();
  globe_ = RenderWallpaperGlobe(settings, *world, CityOfHostZone(*world, HostZoneName()),
                                sharp_.get(), images_, compositor_.modes, at, width_);
  return globe_ ? globe_.get() : images_.composed();
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
    outcome = Mode().Show(Picture(*settings), width_, *settings, true);
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
  const WallpaperOutcome outcome = Mode().Show(Picture(*settings), width_, *settings, false);
  if (!outcome.ok) host_.status->Show(ToQString(outcome.message));
}

}  // namespace meridiana
