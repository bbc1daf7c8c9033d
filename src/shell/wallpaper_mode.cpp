#include "shell/wallpaper_mode.h"

#include <string_view>

#include "map/wallpaper_file.h"

namespace meridiana {
namespace {

// Whether a kept picture value names one of the map's own files: the back-ends keep a path, a
// quoted URI ("'file:///.../Wallpaper.bmp'") or one per monitor or desktop, in lines or JSON.
bool ShowsOurFile(const KeptSetting& picture) {
  const std::string& value = picture.value;
  for (const std::string_view name : {kWallpaperFileName, kSecondWallpaperFileName}) {
    std::string needle = "/";
    needle += name;
    for (std::size_t at = value.find(needle); at != std::string::npos;
         at = value.find(needle, at + 1)) {
      const std::size_t end = at + needle.size();
      if (end == value.size() ||
          std::string_view("'\"\n\t,}").find(value[end]) != std::string::npos)
        return true;
    }
  }
  return false;
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
