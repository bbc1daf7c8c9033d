#pragma once
// The main window (dialog 101): the toolbar across the top, the map below it and the five-part
// status bar at the bottom. It turns commands, timers and window events into calls on the rest of
// the program; commands that belong to features not built yet do nothing.

#include <QMainWindow>
#include <QPointer>
#include <array>
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
#include "shell/window/map_area.h"
#include "shell/window/map_readout.h"
#include "world/world_data.h"

class QMenu;
class QTimer;
class QToolBar;

namespace meridiana {

struct DataProvenance;

class InterfaceLanguage;
class KeyValueStore;
class LocaleInfo;
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
class MapImages;
class MenuIconList;
class PartStatusBar;
class PropertiesDialog;
class TrayIcon;
class UserNotice;
struct Settings;
struct SavedFrame;

// Codes of the window's own posted messages that the cloud frames use: a frame is on the map
// (repaint), a list arrived (run the step that waited for it).
inline constexpr int kMsgCloudFrameLoaded = 1;
inline constexpr int kMsgCloudDownloadDone = 2;

class MainWindow : public QMainWindow, private ComposeHost {
  Q_OBJECT

 public:
  struct Context {
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
    // The stored live-data choice has changed: the bundled service is started again with it.
    std::function<void()> liveDataChanged;
  };

  explicit MainWindow(Context context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs the window's initialisation (tray icon, network client, title clock, timers, first
  // composition) and shows it.
  void Open();

  // Executes a menu, toolbar or tray command. False for a command nobody handles (yet).
  bool OnCommand(int command);

  // The effect of one of the window's timers (996 clock, 997 cloud check, 998 shadow refresh).
  void OnTimer(int timerId);
  // The running timer with that id, or null.
  const QTimer* timer(int timerId) const;

  // The window's destruction: stops its timers, saves the settings and the window's geometry,
  // and asks the event loop to end with code 0. Happens once.
  void Destroy();
  bool destroyed() const { return destroyed_; }

  // Copies zoom and scroll position into the settings, as the window's destruction does.
  void StoreViewState();

  // Restores, shows and raises the window (another start of the program asked for it).
  void BringToFront();

  // Shows latitude, longitude and local time for a point of the map area in the status bar.
  void ShowPointerReadOut(QPoint mapAreaPoint);

  PartStatusBar* statusBar() const { return statusBar_; }
  MapArea* mapArea() const { return mapArea_; }
  // Runs the call once the map is on the screen (or a moment after the window opened, when no
  // map can be drawn), so that work a start does not need stays out of its way.
  void AfterFirstMap(std::function<void()> call);

  // The wallpaper values as the settings file has them now: the command line may have changed
  // them while the window ran, and the window acts on, and saves, the newest.
  void SyncWallpaperValues();

  // Preferences (105): the dialog, and what its OK does with what it read.
  void OpenPreferences();
  void ApplyPreferences(const PreferenceValues& values);
  PreferenceValues CurrentPreferences();
  int wallpaperWidth() const { return wallpaperWidth_; }

  CloudService* clouds() const { return clouds_.get(); }
  QuakeFeed* quakes() const { return quakes_.get(); }
  const OnlineLayerView& onlineLayers() const { return online_; }
  // The program's HTTP client; null when host lookups could not start.
  HttpClient* httpClient() const { return http_.get(); }
  QToolBar* toolbar() const { return toolbar_; }
  DialogHost& host() { return host_; }
  TrayIcon* tray() const { return tray_; }
  MapView& mapView() { return view_; }
  Compositor& compositor() { return *compositor_; }
  MapImages& images() { return *images_; }
  // The open City Selector and modeless Properties dialog, or null.
  CitySelectorDialog* citySelector() const;
  PropertiesDialog* properties() const;
  // Opens a web link ("hotels", "weather", "books", "sat", "faq") for a city or none.
  void SetLinkOpener(std::function<void(std::string_view link, const City* city)> opener) {
    openLink_ = std::move(opener);
  }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The window's parts, in the order they are attached.
  void AttachToolbar();
  void AttachStatusBar();
  void AttachMenu();
  void SetLayout();
  // The program's own posted messages, each handled on a later turn of the event loop.
  void PostUserMessage(int code);
  void OnUserMessage(int code);

  // Operations other parts of the program ask the window for.
  void RedrawMap();
  void FitToWindow();
  void UpdateTitleClock();
  void ReloadBaseImages();
  void ReleaseImages();
  // Composes the map again from the view modes, keeps the settings in step, redraws.
  void RecomputeMap();
  void RunViewCommand(int command);
  // The read-out for wherever the pointer is now, when it is over the map.
  void RefreshPointerReadOut();

  // Steps of the window's initialisation and destruction that later features fill in.
  void AddTrayIcon();
  void RemoveTrayIcon();
  // Out of sight in wallpaper mode: to the tray, or minimised where no tray can bring it back.
  void HideForWallpaper();
  // The HTTP client on the window's event loop, its status texts in the status bar, and the
  // proxy the program uses.
  void InitializeHttpClient();
  void OnNetworkEvent(int event, const HttpRequest* request, const HttpEventValue& value);
  void StopNetworkAndAnimation();
  void StartTimers();
  void KillTimers();
  void RemoveMissingLanguages();
  void ApplyStoredLanguage();
  // Menus, tool tips and status texts again in the language just switched to.
  void OnLanguageChanged();
  void SetStatusMessage(int stringId);
  // A string of the program in the interface language.
  QString LocalText(int stringId) const;
  // Live data (main_window_live.cpp): the Preferences choice, the source lines beside the
  // layers, and the status text when the service could not refresh them.
  void ApplyLiveData(bool on);
  void UpdateSourceLines();
  void ShowRefreshFailure(const DataProvenance& provenance, bool quakes);
  void LoadBaseImages();
  void RecomputeSunShadow();
  void ReleaseComposedMap();
  void SyncViewControls();
  void UpdateAnimationCommands();
  // The online layers: the week's earthquakes and the satellite cloud frames from the service.
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
  void ClockTick();
  // All Cities, City Names, Grid and City Selection: flip the layer, redraw, bring checks in line.
  void ToggleOverlay(int command);
  // Wallpaper mode: the command flips it, the shadow refresh writes the wallpaper again.
  void ToggleWallpaperMode();
  void RefreshWallpaper();
  WallpaperMode& Wallpaper();
  // A right click on the map that did not zoom: the map's context menu of nearby cities.
  void OnMapContextMenu(QPoint mapAreaPoint);
  // Fills the context menu before it opens: the nearest cities, the layer checks.
  void PrepareContextMenu(QMenu* menu, QPoint mapAreaPoint);
  // A double click on the map marks or unmarks the hover city.
  void OnMapDoubleClick(QPoint mapAreaPoint);

  // The city commands: the City Selector, Properties, the cities of the context menu and their
  // links, Clear City Selection. False for another command.
  bool OnCityCommand(int command);
  // The web links, opened through the program's link actions unless SetLinkOpener replaced them.
  void AttachLinks();
  void OpenCitySelector();
  // The modeless dialog is shown and filled again; a modal one is opened anew each time.
  void OpenProperties(City& city, bool modal);
  // A city's mark changed elsewhere: the marked cities' layer comes on, the map repaints.
  void OnMarksChanged();
  // The city of a context-menu entry (0 the nearest), or null.
  City* MenuCity(int entry);
  // The city nearest to where the context menu last opened, or null without cities.
  City* CityNearContextPoint();

  // ComposeHost.
  bool Minimised() const override;
  void SetWaitCursor(bool on) override;

  Context context_;
  DialogHost host_;
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
  // The four wallpaper values as last read from or written to the settings file.
  std::array<std::string, 4> wallpaperKnown_;
  bool wallpaperKnownSet_ = false;
  void WriteWallpaperValues();
  int highlightedCity_ = -1;  // the city the City Names layer highlighted last; none yet
  QPoint contextPoint_;       // map-area point of the last context menu
  LatLon lastPointer_;        // map position of the last mouse position over the map
  NearestCityMemo nearestMemo_;
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
};

}  // namespace meridiana
