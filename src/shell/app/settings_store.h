#pragma once
// Loading and saving what the program remembers between runs: the view settings as text values
// under the application key, the language code under the common key, and "config.ini" with the
// marked cities and the cloud animation frames. No Qt here: the command line and the tests use
// the same code as the window.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/key_value_store.h"  // kCommonKey
#include "shell/app/settings.h"
#include "world/host_zone.h"  // CityOfHostZone, HostZoneName
#include "world/world_data.h"

namespace meridiana {

class KeyValueStore;
class UserNotice;

inline constexpr char kConfigIniName[] = "config.ini";
// At most this many "C=" lines are read, one per animation frame.
inline constexpr int kMaxSavedFrames = 12;

// Named text values under the application key of the current-user hive.
class SettingsRegistry {
 public:
  SettingsRegistry(KeyValueStore* store, std::string appKey);

  // The value as a decimal number (atoi: text that is no number reads as 0) into out. A missing
  // value, or one longer than the 30-byte buffer it is read into, leaves out as it was. Whether
  // it was read.
  bool ReadIntSetting(std::string_view name, int* out) const;
  // The value (at most 10000 bytes, or the given buffer less one), or nothing when it is missing
  // or longer.
  std::optional<std::string> ReadTextSetting(std::string_view name) const;
  std::optional<std::string> ReadTextSetting(std::string_view name, std::size_t buffer) const;
  bool HasSetting(std::string_view name) const;
  // Stores the text; nothing deletes the value. False when the store refused.
  bool WriteSetting(std::string_view name, std::optional<std::string_view> text);
  // Stores them all at once (one write of the settings file). False when the store refused.
  bool WriteSettings(const KeyValueStore::Values& values);

 private:
  KeyValueStore* store_;
  std::string appKey_;
};

// Wallpaper mode and the desktop values it keeps ("wallpaper", "wallpaperfile", "wallpapertile",
// "wallpaperstyle"), which the window and the command line both read and write. A kept value
// holds a line per monitor and workspace on some desktops, so it may be far longer than a text
// setting, up to kMaxKeptWallpaperBytes; one that is longer is never written, and one stored
// longer is marked unreadable and left as it is.
inline constexpr std::size_t kMaxKeptWallpaperBytes = std::size_t{1} << 20;
void ReadWallpaperValues(const SettingsRegistry& registry, Settings* settings);
// The stored map centre ("center"), the shortest text that reads back as the same number; a
// stored text that is not a longitude from -180 to 180 reads as 0.
std::string MapCenterText(double longitude);
void ReadMapCenterValue(const SettingsRegistry& registry, Settings* settings);
void WriteWallpaperValues(SettingsRegistry& registry, const Settings& settings);
// The wallpaper's projection and centre ("wallpaperprojection", "wallpapercenter"), kept as
// stored; a projection the program does not know draws the rectangular map.
void ReadWallpaperGlobeValues(const SettingsRegistry& registry, Settings* settings);

// One "C=" line: the three texts and two numbers of a cloud animation frame.
struct SavedFrame {
  std::string first;
  std::string second;
  std::string third;
  int firstNumber = 0;
  int secondNumber = 0;
};

// What LoadSettings fills and SaveSettings writes.
struct SavedState {
  Settings* settings = nullptr;
  WorldData* world = nullptr;                 // marked flags
  std::vector<SavedFrame>* frames = nullptr;  // may be null
  std::string* languageCode = nullptr;        // the selected language; "" is English
};

// The proxy values are read and written here, in this order, by the HTTP client's settings.
struct ProxyPersistence {
  std::function<void()> load;
  std::function<void()> save;
};

// The start-up read, in order: proxy, help and view, the language code (defaultLanguage when
// none is stored), the view switches (a stored track of 1 becomes 40), refresh, info, loop,
// scroll, zoom, the wallpaper values, then config.ini at configPath.
void LoadSettings(const SettingsRegistry& registry, const KeyValueStore& store,
                  const SavedState& state, const std::string& defaultLanguage,
                  const std::string& configPath, const ProxyPersistence& proxy = {});

// The matching write. config.ini is written whole or not at all; when it cannot be written the
// error box "ERROR W114: Unable to open file 'config.ini'" shows and false is returned (the
// registry values are saved regardless).
bool SaveSettings(SettingsRegistry& registry, KeyValueStore& store, const SavedState& state,
                  const std::string& version, const std::string& configPath, UserNotice* notice,
                  const ProxyPersistence& proxy = {});

// Everything SaveSettings would write, as one text: when it is unchanged, a save can be skipped.
std::string SavedStateText(const SavedState& state, const std::string& version);

// config.ini's lines: version, product, an "M=name,longitude" line per marked city in list
// order, and a "C=" line per frame whose third text is set.
std::string ConfigIniText(const std::string& version, const WorldData& world,
                          const std::vector<SavedFrame>& frames);

// Reads config.ini: marks the cities its "M=" lines name and collects up to kMaxSavedFrames
// frames. Lines are read as a 1000-byte buffer reads them, so a very long line comes in pieces.
// False when the file cannot be opened.
bool ReadConfigIni(const std::string& path, WorldData& world, std::vector<SavedFrame>* frames);
// The same from an open file.
void ReadConfigIni(std::FILE* file, WorldData& world, std::vector<SavedFrame>* frames);

}  // namespace meridiana
