#pragma once
// The main window (dialog 101): the toolbar across the top, the map below it and the five-part
// status bar at the bottom. It turns commands and window events into calls on the rest of the
// program; commands that belong to features not built yet do nothing.

#include <QMainWindow>
#include <functional>

#include "shell/dialog_host.h"

class QToolBar;

namespace meridiana {

class KeyValueStore;
class MapArea;
class MenuIconList;
class PartStatusBar;
struct Settings;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  struct Context {
    Settings* settings = nullptr;         // the process-wide view settings
    KeyValueStore* store = nullptr;       // saved geometry; may be null
    const MenuIconList* icons = nullptr;  // toolbar icons; may be null
    std::function<void()> saveSettings;   // called once when the window is destroyed
  };

  explicit MainWindow(Context context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs the window's initialisation (tray icon, network client, title clock, timers, first
  // composition) and shows it.
  void Open();

  // Executes a menu, toolbar or tray command. False for a command nobody handles (yet).
  bool OnCommand(int command);

  // The window's destruction: stops its timers, saves the settings and the window's geometry,
  // and asks the event loop to end with code 0. Happens once.
  void Destroy();
  bool destroyed() const { return destroyed_; }

  // Restores, shows and raises the window (another start of the program asked for it).
  void BringToFront();

  PartStatusBar* statusBar() const { return statusBar_; }
  MapArea* mapArea() const { return mapArea_; }
  QToolBar* toolbar() const { return toolbar_; }
  DialogHost& host() { return host_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The window's parts, in the order they are attached.
  void AttachToolbar();
  void AttachStatusBar();
  void AttachMenu() {}  // the menu bar comes with the command table
  void SetLayout();
  // The program's own posted messages, each handled on a later turn of the event loop.
  void PostUserMessage(int code);
  void OnUserMessage(int code);

  // Steps of the window's initialisation and destruction that later features fill in.
  void AddTrayIcon() {}  // the tray icon comes with the tray menu
  void RemoveTrayIcon() {}
  void InitializeHttpClient() {}  // the network client does not exist yet
  void UpdateTitleClock() {}      // the title shows only the display name until the clock
  void StartTimers() {}           // timers 996, 997 and 998 start with their effects
  void KillTimers() {}
  void RemoveMissingLanguages() {}  // the Language menu comes with the language files
  void ApplyStoredLanguage() {}
  void LoadBaseImages() {}  // the day and time-zone images come with the compositor
  void RecomputeSunShadow() {}
  void ReleaseComposedMap() {}

  Context context_;
  DialogHost host_;
  QToolBar* toolbar_ = nullptr;         // child of this window
  MapArea* mapArea_ = nullptr;          // child of this window
  PartStatusBar* statusBar_ = nullptr;  // child of this window
  bool destroyed_ = false;
};

}  // namespace meridiana
