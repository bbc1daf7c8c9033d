#include "shell/wallpaper_mode.h"

#include "map/wallpaper_file.h"

namespace meridiana {
namespace {

// Whether a kept picture value names one of the map's own files ("'file:///.../Wallpaper.bmp'").
bool ShowsOurFile(const KeptSetting& picture) {
  std::string value = picture.value;
  while (!value.empty() && (value.back() == '\'' || value.back() == '"')) value.pop_back();
  return IsWallpaperFile(value);
}

}  // namespace

WallpaperMode::WallpaperMode(WallpaperBackend* backend, std::string folder,
                             std::string unknownDesktop)
    : backend_(backend), folder_(std::move(folder)), unknownDesktop_(std::move(unknownDesktop)) {}

WallpaperOutcome WallpaperMode::Show(const Dib* composed, int width, Settings& settings,
                                     bool switchedOn) {
  if (backend_ == nullptr) return {false, unknownDesktop_};
  const std::optional<std::string> file = WriteWallpaperFile(composed, width, folder_);
  if (!file) return {false, "The wallpaper file could not be written in " + folder_};
  if (switchedOn) {
    KeptWallpaper now;
    std::string error;
    if (!backend_->Read(&now, &error)) return {false, error};
    if (!ShowsOurFile(now.file)) {
      settings.wallpaperFile = EncodeKept(now.file);
      settings.wallpaperTile = EncodeKept(now.second);
      settings.wallpaperStyle = EncodeKept(now.style);
    }
  }
  const std::string problem = backend_->Apply(*file);
  if (!problem.empty()) return {false, problem};
  RemoveOtherWallpaperFile(*file);
  return {true, {}};
}

WallpaperOutcome WallpaperMode::Restore(const Settings& settings) {
  if (backend_ == nullptr) return {false, unknownDesktop_};
  const KeptWallpaper kept{DecodeKept(settings.wallpaperFile), DecodeKept(settings.wallpaperTile),
                           DecodeKept(settings.wallpaperStyle)};
  const std::string problem = backend_->Restore(kept);
  if (!problem.empty()) return {false, problem};
  return {true, {}};
}

}  // namespace meridiana
