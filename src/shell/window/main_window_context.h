#pragma once
// What the main window is given: the settings and the store it keeps them in, the clock, the
// locale, the world, the images and the interface language it works with, and what it calls
// back. The pointers are borrowed and must outlive the window.

#include <functional>
#include <string>
#include <vector>

namespace meridiana {

class Clock;
class DataPaths;
class InterfaceLanguage;
class KeyValueStore;
class LocaleInfo;
class MapImages;
class MenuIconList;
class UserNotice;
struct SavedFrame;
struct Settings;
struct WorldData;

struct MainWindowContext {
  Settings* settings = nullptr;         // the process-wide view settings
  KeyValueStore* store = nullptr;       // saved geometry; may be null
  const MenuIconList* icons = nullptr;  // toolbar icons; may be null
  std::function<void()> saveSettings;   // called once when the window is destroyed
  // The rest may be null: the window then uses the system clock, the desktop locale, an empty
  // world, its own images and no data folders.
  UserNotice* notice = nullptr;  // error boxes and the shadow pass's status text
  const Clock* clock = nullptr;  // every "now" of the window
  const LocaleInfo* locale = nullptr;
  WorldData* world = nullptr;   // cities (marks, menu picks) and zones
  MapImages* images = nullptr;  // the base images and the composed map
  const DataPaths* dataPaths = nullptr;
  // The interface language: menus from the program's resources, translated texts. Without
  // it the window has no menu bar and shows its built-in English tips.
  InterfaceLanguage* language = nullptr;
  std::string initialLanguage;  // applied when the window opens ("" for English)
  // The cloud frames of config.ini: read into the cloud slots when the window opens, kept in
  // step with them afterwards. May be null.
  std::vector<SavedFrame>* frames = nullptr;
  // Whether a tray can show the program's icon; null asks the desktop.
  std::function<bool()> trayAvailable;
  // The online service's "http://host:port" ("" when there is none to ask); null reads the
  // installation's value.
  std::function<std::string()> serviceAddress;
  // The stored live-data choice or proxy may have changed: the bundled service is started again
  // when what it runs with changed.
  std::function<void()> serviceSettingsChanged;
};

}  // namespace meridiana
