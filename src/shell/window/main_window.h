#pragma once
// The main window (dialog 101): the toolbar across the top, the map below it and the five-part
// status bar at the bottom. It turns commands, timers and window events into calls on the rest of
// the program; commands that belong to features not built yet do nothing.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "map/compose.h"
#include "map/map_view.h"
#include "shell/app/data_paths.h"
#include "shell/dialogs/dialog_host.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/window/command_table.h"
#include "shell/window/main_window_context.h"
#include "shell/window/map_area.h"
#include "shell/window/map_readout.h"
#include "shell/window/wallpaper_values.h"
#include "world/shown_instant.h"
#include "world/world_data.h"

class QLayout;
class QTimer;
class QToolBar;

namespace meridiana {

struct DataProvenance;
class CitySelectorDialog;
class HostResolver;
class HttpClient;
struct HttpEventValue;
struct HttpRequest;
class QtEventLoop;
class QuakeFeed;
struct PreferenceValues;
class CloudService;
class OnlineLayerHosts;
class WallpaperBackend;
class WallpaperMode;
class LinkActions;
class MapArea;
class MapGestures;
class MapImages;
class PartStatusBar;
class PropertiesDialog;
class TrayIcon;
class TimeBar;
class MeetingPlannerDialog;
class TrayClocks;

// Codes of the window's own posted messages that the cloud frames use: a frame is on the map
// (repaint), a list arrived (run the step that waited for it).
inline constexpr int kMsgCloudFrameLoaded = 1;
inline constexpr int kMsgCloudDownloadDone = 2;

class MainWindow : public QMainWindow, private ComposeHost {
  Q_OBJECT

 public:
  // What the window is given (main_window_context.h).
  using Context = MainWindowContext;

  explicit MainWindow(Context context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- Its life: open, brought back, destroyed -------------------------------------------------
  // Runs the window's initialisation (tray icon, network client, title clock, timers, first
  // composition) and shows it.
  void Open();
  // Runs the call once the map is on the screen (or a moment after the window opened, when no
  // map can be drawn), so that work a start does not need stays out of its way.
  void AfterFirstMap(std::function<void()> call);
  // Restores, shows and raises the window (another start of the program asked for it).
  void BringToFront();
  // The window's destruction: stops its timers, saves the settings and the window's geometry,
  // and asks the event loop to end with code 0. Happens once.
  void Destroy();
  bool destroyed() const { return destroyed_; }
  // Copies zoom and scroll position into the settings, as the window's destruction does.
  void StoreViewState();

  // --- Commands and timers (main_window_commands.cpp, main_window_timers.cpp) ------------------
  // Executes a menu, toolbar or tray command. False for a command nobody handles (yet).
  bool OnCommand(int command);
  // The effect of one of the window's timers (996 clock, 997 cloud check, 998 shadow refresh).
  void OnTimer(int timerId);
  // The running timer with that id, or null.
  const QTimer* timer(int timerId) const;

  // --- The map and the pointer (map_gestures.cpp) ----------------------------------------------
  // Shows latitude, longitude and local time for a point of the map area in the status bar.
  void ShowPointerReadOut(QPoint mapAreaPoint);

  // --- Preferences and wallpaper (main_window_preferences.cpp, main_window_wallpaper.cpp) ------
  // Preferences (105): the dialog, and what its OK does with what it read.
  void OpenPreferences();
  void ApplyPreferences(const PreferenceValues& values);
  PreferenceValues CurrentPreferences();
  int wallpaperWidth() const { return wallpaperWidth_; }
  // The wallpaper values as the settings file has them now: the command line may have changed
  // them while the window ran, and the window acts on, and saves, the newest.
  void SyncWallpaperValues();

  // --- Cities (main_window_cities.cpp) ---------------------------------------------------------
  // The open City Selector and modeless Properties dialog, or null.
  CitySelectorDialog* citySelector() const;
  PropertiesDialog* properties() const;
  // Opens a web link ("hotels", "weather", "books", "sat", "faq") for a city or none.
  void SetLinkOpener(std::function<void(std::string_view link, const City* city)> opener) {
    openLink_ = std::move(opener);
  }

  // --- Time tools (main_window_time_tools.cpp) --------------------------------------------------
  // Shows another instant on the map (the time bar comes on), or the present again.
  void ShowInstant(TimeValue t);
  void ShowLiveInstant();
  const ShownClock& shownClock() const { return *shownClock_; }
  TimeBar* timeBar() const { return timeBar_; }
  MeetingPlannerDialog* meetingPlanner() const;
  TrayClocks* trayClocks() const { return trayClocks_.get(); }

  // --- Its parts, for the App and the tests ----------------------------------------------------
  PartStatusBar* statusBar() const { return statusBar_; }
  MapArea* mapArea() const { return mapArea_; }
  QToolBar* toolbar() const { return toolbar_; }
  TrayIcon* tray() const { return tray_; }
  DialogHost& host() { return host_; }
  MapView& mapView() { return view_; }
  Compositor& compositor() { return *compositor_; }
  MapImages& images() { return *images_; }
  CloudService* clouds() const { return clouds_.get(); }
  QuakeFeed* quakes() const { return quakes_.get(); }
  const OnlineLayerView& onlineLayers() const { return online_; }
  // The program's HTTP client; null when host lookups could not start.
  HttpClient* httpClient() const { return http_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // --- Building it (main_window.cpp), its parts in the order they are attached -----------------
  void AttachToolbar();
  void AttachStatusBar();
  void AttachMenu();
  void SetLayout();
  // The first start's size: the whole map at zoom 1 where the screen has room.
  void OpenAtMapSize();
  void showEvent(QShowEvent* event) override;
  // The web links, opened through the program's link actions unless SetLinkOpener replaced them.
  void AttachLinks();
  // Fills the command table: which id runs what.
  void RouteCommands();
  void AddTrayIcon();
  void RemoveTrayIcon();
  // The program's own posted messages, each handled on a later turn of the event loop.
  void PostUserMessage(int code);
  void OnUserMessage(int code);

  // --- The map (main_window.cpp) ---------------------------------------------------------------
  void RedrawMap();
  void FitToWindow();
  void ClockTick();
  // Composes the map again from the view modes, keeps the settings in step, redraws.
  void RecomputeMap();
  void RecomputeSunShadow();
  // Day Map, Night Map, Time Zones, Sun Shadow.
  void RunViewCommand(int command);
  void LoadBaseImages();
  void ReloadBaseImages();
  // A minimised window lets its pictures go; one put away in wallpaper mode its composed map.
  void ReleaseImages();
  void ReleaseComposedMap();
  void UpdateTitleClock();
  // Out of sight in wallpaper mode: to the tray, or minimised where no tray can bring it back.
  void HideForWallpaper();
  void SetStatusMessage(int stringId);

  // --- Menus and controls (main_window_controls.cpp) -------------------------------------------
  void RemoveMissingLanguages();
  void ApplyStoredLanguage();
  // Menus, tool tips and status texts again in the language just switched to.
  void OnLanguageChanged();
  // Checks and pressed buttons that follow the view and the layers.
  void SyncViewControls();
  void UpdateAnimationCommands();

  // --- The network (main_window_network.cpp) ---------------------------------------------------
  // The HTTP client on the window's event loop, its status texts in the status bar, and the
  // proxy the program uses.
  void InitializeHttpClient();
  void OnNetworkEvent(int event, const HttpRequest* request, const HttpEventValue& value);
  void StopNetworkAndAnimation();
  // A string of the program in the interface language.
  QString LocalText(int stringId) const;

  // --- Live data (main_window_live.cpp) --------------------------------------------------------
  // The Preferences choice, the source lines beside the layers, and the status text when the
  // service could not refresh them.
  void ApplyLiveData(bool on);
  void UpdateSourceLines();
  void ShowRefreshFailure(const DataProvenance& provenance, bool quakes);

  // --- The online layers (main_window_online.cpp, online_layer_hosts.h) ------------------------
  // The week's earthquakes and the satellite cloud frames from the service.
  void StartOnlineLayers();
  bool OnOnlineCommand(int command);
  void CheckNewestClouds();
  void CheckForUpgrade();
  void AnimationTick();
  void StopAnimation();
  // The service's URL for a path and query, the installation's service address in front and
  // the template keys filled in; none without an address.
  std::optional<std::string> ServiceUrl(std::string_view pathAndQuery);
  void ShowCloudImage(DibPtr image);
  void ShowAnimationFrame(const Dib& image);
  void ShowServiceError(std::string_view text);
  void RefreshOnlineView();

  // --- Timers and wallpaper mode (main_window_timers.cpp, main_window_wallpaper.cpp) -----------
  void StartTimers();
  void KillTimers();
  // The command flips wallpaper mode, the shadow refresh writes the wallpaper again.
  void ToggleWallpaperMode();
  void RefreshWallpaper();
  WallpaperMode& Wallpaper();

  // --- Cities (main_window_cities.cpp) ---------------------------------------------------------
  void OpenCitySelector();
  // The modeless dialog is shown and filled again; a modal one is opened anew each time.
  void OpenProperties(City& city, bool modal);
  // A city's mark changed elsewhere: the marked cities' layer comes on, the map repaints.
  void OnMarksChanged();
  // Clear City Selection, undoable for the session: the marks it took are kept until an Undo.
  void ClearCitySelection();
  void UndoClearCitySelection();
  void RefreshSelectorRows();

  // --- Time tools (main_window_time_tools.cpp) --------------------------------------------------
  void AttachTimeBar(QLayout* layout);
  void ToggleTimeBar();
  // The shown instant changed: the map, the title, the read-out and Properties follow it.
  void OnShownInstantChanged();
  void OpenMeetingPlanner();
  int CityOffset(const City& city, TimeValue t) const;
  void AttachTrayClocks();
  // The once-a-second part of the time tools: the bar's live middle, the tray's clocks.
  void TickTimeTools();
  WeekdayNames LocalWeekdays() const;

  // --- ComposeHost -----------------------------------------------------------------------------
  bool Minimised() const override;
  void SetWaitCursor(bool on) override;

  // --- State. The order is the order of teardown, backwards: the feeds go before the HTTP
  // client they use, and the client before its event loop.
  Context context_;
  // The clock the window was given; context_.clock is the shown clock over it, so that every
  // "now" of the window is the time bar's instant. The online layers keep the live one.
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
  std::unique_ptr<Compositor> compositor_;
  std::unique_ptr<QtEventLoop> networkLoop_;
  std::unique_ptr<HostResolver> resolver_;
  std::unique_ptr<HttpClient> http_;
  friend class OnlineLayerHosts;
  std::unique_ptr<OnlineLayerHosts> onlineHosts_;
  std::unique_ptr<QuakeFeed> quakes_;
  std::unique_ptr<CloudService> clouds_;
  OnlineLayerView online_;
  QTimer* animationTimer_ = nullptr;  // 999
  bool animationTickRunning_ = false;
  std::vector<std::function<void()>> afterFirstMap_;
  bool firstMapShown_ = false;
  int wallpaperWidth_ = 0;  // pixels; not kept, 0 at every start
  std::unique_ptr<WallpaperBackend> wallpaperBackend_;
  std::unique_ptr<WallpaperMode> wallpaper_;
  WallpaperValues wallpaperValues_;
  std::unique_ptr<MapGestures> gestures_;
  std::unique_ptr<LinkActions> links_;

  QPointer<CitySelectorDialog> citySelector_;
  std::unique_ptr<DialogHost> citySelectorHost_;
  QPointer<PropertiesDialog> properties_;
  std::unique_ptr<DialogHost> propertiesHost_;
  std::function<void(std::string_view, const City*)> openLink_;

  QToolBar* toolbar_ = nullptr;         // child of this window
  MapArea* mapArea_ = nullptr;          // child of this window
  PartStatusBar* statusBar_ = nullptr;  // child of this window
  int statusMessageId_ = 0;             // the string shown in part 0, 0 for none
  TrayIcon* tray_ = nullptr;            // child of this window
  QTimer* clockTimer_ = nullptr;        // 996, child of this window
  QTimer* cloudCheckTimer_ = nullptr;   // 997
  QTimer* shadowTimer_ = nullptr;       // 998
  bool destroyed_ = false;
  std::vector<std::size_t> clearedMarks_;  // city indexes of the last Clear that took marks
  TimeBar* timeBar_ = nullptr;             // child of the client area
  QPointer<MeetingPlannerDialog> planner_;
  std::unique_ptr<TrayClocks> trayClocks_;
  QSize plannedSize_;  // the first start's size for the map at zoom 1, until the first show
};

}  // namespace meridiana
