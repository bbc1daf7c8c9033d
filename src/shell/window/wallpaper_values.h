#pragma once
// The four wallpaper values of the settings file (mode, file, tile, style) as the window last read
// or wrote them. The command line may change them while the window runs; the window acts on, and
// saves, the newest.

#include <array>
#include <string>

namespace meridiana {

class KeyValueStore;
struct Settings;

class WallpaperValues {
 public:
  // Takes the file's values into the settings when someone else changed them since the last read
  // or write. The first call starts from the settings as the start read them.
  void Sync(Settings& settings, KeyValueStore& store);
  // Writes the settings' values to the file.
  void Write(const Settings& settings, KeyValueStore& store);

 private:
  std::array<std::string, 4> known_;
  bool knownSet_ = false;
};

}  // namespace meridiana
