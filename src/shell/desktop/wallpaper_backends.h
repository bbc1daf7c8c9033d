#pragma once
// The desktops' back-ends, each in its own file; wallpaper_backend.cpp picks one.

#include <memory>
#include <string>
#include <string_view>

#include "shell/desktop/wallpaper_backend.h"

namespace meridiana {

// "GNOME" (also Budgie's and Unity's), "Cinnamon" or "MATE".
std::unique_ptr<WallpaperBackend> MakeGsettingsWallpaper(std::string_view desktop);
std::unique_ptr<WallpaperBackend> MakeXfceWallpaper();
std::unique_ptr<WallpaperBackend> MakePlasmaWallpaper();
std::unique_ptr<WallpaperBackend> MakeLxqtWallpaper();
std::unique_ptr<WallpaperBackend> MakeSwayWallpaper();
// The root window of the X display in DISPLAY, for a bare window manager.
std::unique_ptr<WallpaperBackend> MakeXRootWallpaper();

// A desktop tool by name from the usual folders, "" when it is not installed.
std::string DesktopTool(const char* name);

}  // namespace meridiana
