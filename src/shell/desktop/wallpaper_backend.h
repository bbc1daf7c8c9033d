#pragma once
// The desktop's own wallpaper settings, one back-end per desktop: what the user had is read and
// kept, the map is put in its place (and read back, since a settings tool may claim success
// without committing), and what was kept is put back: a value the user had set is set again, one
// the user never set is reset to the desktop's default.

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace meridiana {

// One desktop setting as it was: its value as the desktop's tool prints it, or at its default.
struct KeptSetting {
  bool set = false;
  std::string value;
  friend bool operator==(const KeptSetting&, const KeptSetting&) = default;
};
// As the settings keep it: "default", or "set:" and the value.
std::string EncodeKept(const KeptSetting& kept);
KeptSetting DecodeKept(std::string_view text);

// The three kept values: the picture, a second picture (a dark-style one), the placement.
struct KeptWallpaper {
  KeptSetting file;
  KeptSetting second;
  KeptSetting style;
  friend bool operator==(const KeptWallpaper&, const KeptWallpaper&) = default;
};

class WallpaperBackend {
 public:
  virtual ~WallpaperBackend() = default;
  virtual std::string Name() const = 0;
  // The desktop's values now; false with the reason when they cannot be read.
  virtual bool Read(KeptWallpaper* kept, std::string* error) = 0;
  // Shows the file scaled to fit, keeping its aspect; "" when the desktop took it, else why not.
  virtual std::string Apply(const std::string& file) = 0;
  virtual std::string Restore(const KeptWallpaper& kept) = 0;
  // Whether a picture value as Read keeps it shows the map's own file, from the folder set
  // below; a picture of the user's under the same name is not the map.
  virtual bool ShowsOwnFile(const KeptSetting& picture) const = 0;

  // The folder the map's files are written in.
  void SetOwnFolder(std::string folder) { ownFolder_ = std::move(folder); }

 protected:
  bool IsOwnFile(const std::string& path) const;

 private:
  std::string ownFolder_;
};

// The back-end for XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "X-Cinnamon", "MATE", ...: the first
// entry a back-end knows wins); null with the reason when there is none for it.
std::unique_ptr<WallpaperBackend> WallpaperBackendFor(std::string_view currentDesktop,
                                                      std::string* error);

}  // namespace meridiana
