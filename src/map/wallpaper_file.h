#pragma once
// The picture a desktop shows in wallpaper mode: the composed map as a BMP file in the user
// folder. Desktops that cache a wallpaper by its path only look again when the path changes, so
// the file is written under two names in turn.

#include <optional>
#include <string>

#include "foundation/dib.h"

namespace meridiana {

inline constexpr char kWallpaperFileName[] = "Wallpaper.bmp";
inline constexpr char kSecondWallpaperFileName[] = "Wallpaper-2.bmp";

// Whether a path is one of the two wallpaper files of that folder: a picture of the user's under
// the same name elsewhere is not. The folder may be named another way (a symbolic link, a
// trailing separator) as long as it is the same folder.
bool IsWallpaperFileIn(const std::string& path, const std::string& folder);

// Writes the map (scaled to `width` pixels keeping its aspect when width is above 0) whole or
// not at all under the name that was not written last; the path written, or none.
std::optional<std::string> WriteWallpaperFile(const Dib* composed, int width,
                                              const std::string& folder);
// Once the desktop shows the file written, the other name goes.
void RemoveOtherWallpaperFile(const std::string& written);

}  // namespace meridiana
