#include "shell/desktop/wallpaper_backend.h"

#include <unistd.h>

#include <cstdlib>

#include "map/wallpaper_file.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {

std::string EncodeKept(const KeptSetting& kept) {
  return kept.set ? "set:" + kept.value : "default";
}

KeptSetting DecodeKept(std::string_view text) {
  if (text.substr(0, 4) == "set:") return {true, std::string(text.substr(4))};
  return {};
}

bool WallpaperBackend::IsOwnFile(const std::string& path) const {
  return IsWallpaperFileIn(path, ownFolder_);
}

std::string DesktopTool(const char* name) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
    const std::string path = std::string(folder) + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

std::unique_ptr<WallpaperBackend> WallpaperBackendFor(std::string_view currentDesktop,
                                                      std::string* error) {
  std::string_view rest = currentDesktop;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view entry = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (entry == "GNOME" || entry == "Budgie" || entry == "Unity")
      return MakeGsettingsWallpaper("GNOME");
    if (entry == "X-Cinnamon" || entry == "Cinnamon") return MakeGsettingsWallpaper("Cinnamon");
    if (entry == "MATE") return MakeGsettingsWallpaper("MATE");
    if (entry == "XFCE") return MakeXfceWallpaper();
    if (entry == "KDE") return MakePlasmaWallpaper();
    if (entry == "LXQt") return MakeLxqtWallpaper();
    if (entry == "sway") return MakeSwayWallpaper();
  }
  // No desktop at all, only an X server and perhaps a window manager: its root window.
  if (currentDesktop.empty() && std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY"))
    return MakeXRootWallpaper();
  *error = "wallpaper mode does not know this desktop yet (XDG_CURRENT_DESKTOP=" +
           std::string(currentDesktop) + ")";
  return nullptr;
}

}  // namespace meridiana
