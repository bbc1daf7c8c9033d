#include "shell/desktop/wallpaper_mode.h"

#include "map/wallpaper_file.h"
#include "shell/app/settings_store.h"

namespace meridiana {

WallpaperMode::WallpaperMode(WallpaperBackend* backend, std::string folder,
                             std::string unknownDesktop)
    : backend_(backend), folder_(std::move(folder)), unknownDesktop_(std::move(unknownDesktop)) {
  if (backend_ != nullptr) backend_->SetOwnFolder(folder_);
}

WallpaperOutcome WallpaperMode::Show(const Dib* composed, int width, Settings& settings,
                                     bool switchedOn) {
  if (backend_ == nullptr) return {false, unknownDesktop_};
  const std::optional<std::string> file = WriteWallpaperFile(composed, width, folder_);
  if (!file) return {false, "The wallpaper file could not be written in " + folder_};
  if (switchedOn) {
    KeptWallpaper now;
    std::string error;
    if (!backend_->Read(&now, &error)) return {false, error};
    if (!backend_->ShowsOwnFile(now.file)) {
      std::string file = EncodeKept(now.file);
      std::string second = EncodeKept(now.second);
      std::string style = EncodeKept(now.style);
      // What could not be read back could not be put back either: the desktop stays as it is.
      for (const std::string* kept : {&file, &second, &style})
        if (kept->size() > kMaxKeptWallpaperBytes)
          return {false, "The desktop's wallpaper settings are too long to keep (" +
                             std::to_string(kept->size()) + " bytes)"};
      settings.wallpaperFile = std::move(file);
      settings.wallpaperTile = std::move(second);
      settings.wallpaperStyle = std::move(style);
      settings.wallpaperKeptUnreadable = false;
    }
  }
  const std::string problem = backend_->Apply(*file);
  if (!problem.empty()) return {false, problem};
  RemoveOtherWallpaperFile(*file);
  return {true, {}};
}

WallpaperOutcome WallpaperMode::Restore(const Settings& settings) {
  if (backend_ == nullptr) return {false, unknownDesktop_};
  if (settings.wallpaperKeptUnreadable)
    return {false,
            "The kept wallpaper settings are too long to read back; the desktop was left as it is"};
  const KeptWallpaper kept{DecodeKept(settings.wallpaperFile), DecodeKept(settings.wallpaperTile),
                           DecodeKept(settings.wallpaperStyle)};
  const std::string problem = backend_->Restore(kept);
  if (!problem.empty()) return {false, problem};
  return {true, {}};
}

}  // namespace meridiana
