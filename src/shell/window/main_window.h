#pragma once
// The main window (dialog 101): the toolbar across the top, the map below it and the six-part
// status bar at the bottom. It builds them, creates the features (feature_host.h says what they
// are given of it), routes commands, timers and window events to them, and holds the map view.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "map/compose.h"
#include "map/map_view.h"
#include "shell/app/data_paths.h"
#include "shell/dialogs/dialog_host.h"
#include "shell/window/command_table.h"
#include "shell/window/main_window_context.h"
#include "shell/window/map_area.h"
#include "shell/window/map_readout.h"
#include "world/shown_instant.h"
#include "world/world_data.h"

class QTimer;
class QToolBar;

namespace meridiana {

class CitySelectorDialog;
class CloudService;
class HomePlace;
class HttpClient;
class MapGestures;
class MapImages;
class MeetingPlannerDialog;
class PartStatusBar;
class PropertiesDialog;
class TimeBar;
class TrayIcon;
class CityDialogs;
class DesktopWallpaper;
class NetworkLink;
class OnlineLayers;
class StatusText;
class TimeTools;
class ViewControls;
class WindowPreferences;
class WindowTimers;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  using Context = MainWindowContext;  // what the window is given

  explicit MainWindow(Context context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- Its life: open, brought back, destroyed (main_window.cpp) -------------------------------
  // Tray icon, network, online layers, title clock, timers, first composition; then shows.
  void Open();
  // Runs the call once the map is on the screen (or soon after opening, when no map comes).
  void AfterFirstMap(std::function<void()> call);
  // Restores, shows and raises the window (another start of the program asked for it).
  void BringToFront();
  // Once: stops the timers, saves settings and geometry, asks the event loop to end with 0.
  void Destroy();
  bool destroyed() const { return destroyed_; }
  void StoreViewState();  // zoom and scroll position into the settings, as Destroy does

  // --- Commands, timers, the pointer (main_window_features.cpp, main_window_events.cpp) -------
  // Executes a menu, toolbar or tray command. False for a command nobody handles (yet).
  bool OnCommand(int command);
  // The effect of one of the window's timers (996 clock, 997 cloud check, 998 shadow refresh).
  void OnTimer(int timerId);
  // The running timer with that id (999 the cloud animation's), or null.
  const QTimer* timer(int timerId) const;
  // Latitude, longitude and local time of a point of the map area, in the status bar.
  void ShowPointerReadOut(QPoint mapAreaPoint);

  // --- The features' state, for the App and the tests ------------------------------------------
  int wallpaperWidth() const;
  void SyncWallpaperValues();  // as the settings file has them now
  // The open City Selector and modeless Properties dialog, or null.
  CitySelectorDialog* citySelector() const;
  PropertiesDialog* properties() const;
  // Opens a web link ("hotels", "weather", "books", "sat", "faq") for a city or none.
  void SetLinkOpener(std::function<void(std::string_view link, const City* city)> opener);
  const ShownClock& shownClock() const { return *shownClock_; }
  TimeBar* timeBar() const;
  MeetingPlannerDialog* meetingPlanner() const;
  CloudService* clouds() const;
  const OnlineLayerView& onlineLayers() const;
  HttpClient* httpClient() const;  // null when host lookups could not start

  // --- Its parts ---------------------------------------------------------------------------------
  PartStatusBar* statusBar() const { return statusBar_; }
  MapArea* mapArea() const { return mapArea_; }
  QToolBar* toolbar() const { return toolbar_; }
  TrayIcon* tray() const { return tray_; }
  MapView& mapView() { return view_; }
  Compositor& compositor() { return *compositor_; }
  MapImages& images() { return *images_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void SetLayout();      // the client area: the map, the time bar below it, the status bar
  void OpenAtMapSize();  // the first start's size: the whole map at zoom 1 where there is room
  void AddTrayIcon();
  void CreateFeatures();  // each with what it is given of the window
  void RouteCommands();   // the program's, the window's and the view's, then each feature's
  void RecomputeMap();    // composes from the view modes, keeps the settings in step, redraws
  void UpdateTitleClock();

  Context context_;
  // The clock the window was given; context_.clock is the shown clock over it, so that every
  // "now" of the window is the time bar's instant.
  const Clock* liveClock_ = nullptr;
  std::unique_ptr<ShownClock> shownClock_;
  DialogHost host_;
  CommandTable commands_;
  SystemClock systemClock_;
  DesktopLocaleInfo desktopLocale_;
  WorldData noWorld_;
  DataPaths noDataPaths_{"", ""};
  std::unique_ptr<MapImages> ownImages_;  // when the context brings none
  MapImages* images_ = nullptr;
  MapView view_;
  std::unique_ptr<ComposeHost> composeHost_;
  std::unique_ptr<Compositor> compositor_;
  std::function<QString(int)> text_;         // a string of the program in the interface language
  std::function<void(int)> runViewCommand_;  // Day Map, Night Map, Time Zones, Sun Shadow

  QToolBar* toolbar_ = nullptr;         // child of this window
  MapArea* mapArea_ = nullptr;          // child of this window
  PartStatusBar* statusBar_ = nullptr;  // child of this window
  TrayIcon* tray_ = nullptr;            // child of this window
  std::unique_ptr<StatusText> status_;
  std::unique_ptr<HomePlace> home_;
  std::unique_ptr<MapGestures> gestures_;
  std::unique_ptr<ViewControls> controls_;
  std::unique_ptr<WindowTimers> timers_;

  // The features; the destructor ends them backwards: feeds, then the HTTP client, its loop.
  std::unique_ptr<NetworkLink> network_;
  std::unique_ptr<OnlineLayers> online_;
  std::unique_ptr<TimeTools> timeTools_;
  std::unique_ptr<DesktopWallpaper> wallpaper_;
  std::unique_ptr<CityDialogs> cities_;
  std::unique_ptr<WindowPreferences> preferences_;

  std::vector<std::function<void()>> afterFirstMap_;
  bool firstMapShown_ = false;
  bool destroyed_ = false;
  QSize plannedSize_;  // the first start's size for the map at zoom 1, until the first show
};

}  // namespace meridiana
