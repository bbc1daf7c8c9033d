#pragma once
// The program from start-up to shutdown. main() creates one App after the QApplication; it owns
// everything the program keeps for its whole run (the single-instance guard, the world tables,
// the settings, the menu icons, the main window) and runs the start-up steps and the release
// steps in their fixed order.

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/localized_strings.h"
#include "shell/app/data_paths.h"
#include "shell/app/embedded_service.h"
#include "shell/app/menu_icons.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/app/start_action.h"
#include "shell/window/map_readout.h"
#include "world/world_data.h"

class QTimer;

namespace meridiana {

class InterfaceLanguage;
class KeyValueStore;
class MainWindow;
class MapImages;
class SingleInstanceGuard;
class TerminationSignals;
class UserNotice;
class QtUserNotice;

struct AppEnvironment {
  // The single-instance socket; empty for the per-user default.
  QString instanceServerPath;
  // Where the program writes its files and becomes its working directory.
  std::string userFolder;
  // Where the installed read-only data lives.
  std::string dataFolder;
  std::string executablePath;
  // The registry. Must outlive the App.
  KeyValueStore* store = nullptr;
  // Message boxes and status texts; null for Qt's, modal unless the platform has no screen.
  UserNotice* notice = nullptr;
  // Every "now" of the program; null for the system clock. Must outlive the App.
  const Clock* clock = nullptr;
  // The date separator of the clock under the pointer; null for the desktop's locale.
  const LocaleInfo* locale = nullptr;
  // Whether the desktop has a tray for the program's icon; null asks the desktop.
  std::function<bool()> trayAvailable;
  // The bundled online service, started for the session when the installation's service is
  // the default one on this machine and nothing answers there; empty for none.
  std::string embeddedService;
  // What the start was asked to do besides opening the window (the launcher's actions).
  StartAction startAction = StartAction::None;
  // End the program on SIGTERM, SIGINT and SIGHUP as with Quit.
  bool handleTerminationSignals = false;
};

class App {
 public:
  explicit App(AppEnvironment environment);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // The start-up steps up to the open main window. False when another copy of the program is
  // running: it was asked to come to the front, and this one should end with 0.
  bool Start();
  // Runs the event loop until the main window is destroyed, then releases everything in
  // order. Returns the exit code.
  int Exec();
  // The release steps after the event loop; safe to call more than once.
  void Release();

  // The steps taken so far, by name, in order.
  const std::vector<std::string>& steps() const { return steps_; }

  Settings& settings() { return settings_; }
  const WorldData& world() const { return world_; }
  const DataPaths& dataPaths() const { return dataPaths_; }
  const std::string& productCode() const { return productCode_; }
  const std::string& baseName() const { return baseName_; }
  MainWindow* mainWindow() const { return mainWindow_.get(); }
  SingleInstanceGuard* instanceGuard() const { return guard_.get(); }
  UserNotice& notice() const { return *notice_; }
  // The base images and the composed map; null before the main window is made.
  MapImages* images() const { return images_.get(); }
  InterfaceLanguage* language() const { return language_.get(); }
  const std::vector<SavedFrame>& savedFrames() const { return frames_; }
  const EmbeddedService& embeddedService() const { return embedded_; }
  // Saves now when anything the settings hold has changed since the last save; what the
  // program does a few seconds after every change, and when the desktop session ends.
  void SaveSettingsIfChanged();

 private:
  void Step(const char* name);

  // Start-up, in order.
  bool AcquireSingleInstance();
  void InitializePlatform();
  void EnterUserFolder();
  void StartFramework();
  void SetAppKey();
  void ClearAnimationFrames();
  void PrepareRuntime();
  void BuildMenuIconList();
  void LoadWorldTables();
  void LoadSettings();
  void CreateMainWindow();
  void OpenMainWindow();

  // Release, in order.
  void ReleaseImages();
  void ReleaseAnimationFrames();
  void ReleaseCityZoneAndAreaCodeLists();
  void ReleaseQuakeList();
  void ReleaseMainWindow();
  void ReleaseDstRules();
  void ShutdownFramework();
  void ReleaseFormatBuffers();
  void ReleaseKeyPaths();
  void ReleaseSingleInstance();

  // The bundled service with or without live data, as the stored choice says, and through the
  // proxy kept in Preferences.
  void ApplyServiceSettings();
  void OnSaveSettings();
  void WriteSettings(UserNotice* notice);
  SavedState State();
  std::string ConfigPath() const;
  void OnRaiseRequested();
  void OnTerminationRequested();

  AppEnvironment env_;
  std::unique_ptr<QtUserNotice> qtNotice_;
  UserNotice* notice_ = nullptr;
  std::vector<std::string> steps_;
  std::unique_ptr<SingleInstanceGuard> guard_;
  std::unique_ptr<TerminationSignals> termination_;
  DataPaths dataPaths_;
  std::string productCode_;
  std::string baseName_;
  std::string appKey_;
  MenuIconList menuIcons_;
  WorldData world_;
  Settings settings_;
  SystemClock systemClock_;
  DesktopLocaleInfo locale_;
  std::unique_ptr<MapImages> images_;
  Localizer localizer_;
  std::unique_ptr<InterfaceLanguage> language_;
  std::string languageCode_;
  std::vector<SavedFrame> frames_;
  std::string savedText_;  // what the last save wrote
  QTimer* autosave_ = nullptr;
  std::unique_ptr<MainWindow> mainWindow_;
  EmbeddedService embedded_;
  bool quitRequested_ = false;  // a termination signal came before the main window existed
  bool started_ = false;
  bool released_ = false;
};

}  // namespace meridiana
