#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "map/base_images.h"
#include "resources/embedded.h"
#include "shell/about_box.h"
#include "shell/app_identity.h"
#include "shell/dialog_controls.h"
#include "shell/ids.h"
#include "shell/interface_language.h"
#include "shell/map_area.h"
#include "shell/map_image_files.h"
#include "shell/menu_icons.h"
#include "shell/qt_text.h"
#include "shell/settings.h"
#include "shell/status_bar.h"
#include "shell/status_parts.h"
#include "shell/title_clock.h"
#include "shell/toolbar_arrangement.h"
#include "shell/toolbar_buttons.h"
#include "shell/toolbar_table.h"
#include "shell/tray_icon.h"

namespace meridiana {

namespace {

constexpr int kMinTrackWidth = 320;
constexpr int kMinTrackHeight = 250;
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 480;
// Codes of the program's own posted messages.
constexpr int kMsgCloudFrameLoaded = 1;
constexpr int kMsgCloudDownloadDone = 2;
constexpr int kMsgLoadBaseImages = 4;
constexpr int kMsgFirstShadow = 3;
constexpr int kMsgHideForWallpaper = 5;
constexpr int kMsgFitAfterRestore = 7;
// Timer periods.
constexpr int kClockPeriodMs = 1000;
constexpr int kCloudCheckPeriodMs = 3600000;
constexpr int kMinuteMs = 60000;

constexpr int kLoadingText = 1432;

// Stands in for a toolbar icon that is not among the program's resources.
QIcon BlankButtonIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(2, 2, 11, 11);
  return QIcon(pixmap);
}

ViewModes ModesFromSettings(const Settings* settings) {
  ViewModes modes;
  if (settings == nullptr) return modes;
  modes.day = settings->day != 0;
  modes.night = settings->night != 0;
  modes.zones = settings->zones != 0;
  modes.shadow = settings->shadow != 0;
  return modes;
}

}  // namespace

MainWindow::MainWindow(Context context, QWidget* parent)
    : QMainWindow(parent),
      context_(std::move(context)),
      host_(ids::kMainDialog, std::string(kDisplayName), context_.store) {
  if (context_.clock == nullptr) context_.clock = &systemClock_;
  if (context_.locale == nullptr) context_.locale = &desktopLocale_;
  if (context_.world == nullptr) context_.world = &noWorld_;
  if (context_.dataPaths == nullptr) context_.dataPaths = &noDataPaths_;
  images_ = context_.images;
  if (images_ == nullptr) {
    ownImages_ = std::make_unique<MapImages>(FolderHolding(*context_.dataPaths, kNightImagePath),
                                             context_.notice);
    images_ = ownImages_.get();
  }
  compositor_ =
      std::make_unique<Compositor>(*images_, static_cast<ComposeHost*>(this), context_.notice);
  compositor_->modes = ModesFromSettings(context_.settings);
  if (context_.settings != nullptr) {
    // The stored view; the first resize fits the map anyway, since the user has not zoomed yet.
    view_.zoom = context_.settings->zoom;
    view_.scrollX = context_.settings->cx;
    view_.scrollY = context_.settings->cy;
  }

  setObjectName(QStringLiteral("dialog%1").arg(ids::kMainDialog));
  setWindowTitle(ToQString(kDisplayName));
  resize(kDefaultWidth, kDefaultHeight);

  AttachToolbar();
  AttachStatusBar();
  AttachMenu();
  SetLayout();
  host_.Attach(this, kMinTrackWidth, kMinTrackHeight);
}

MainWindow::~MainWindow() { host_.Detach(); }

void MainWindow::AttachToolbar() {
  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("control%1").arg(ids::kToolbar));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setIconSize(QSize(16, 16));
  toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const QIcon blank = BlankButtonIcon();
  for (const ToolbarButton& button : kMainToolbarButtons) {
    if (button.command == 0) {
      toolbar_->addSeparator();
      continue;
    }
    QIcon icon = context_.icons != nullptr ? context_.icons->At(button.icon) : QIcon();
    const QString tip =
        context_.language != nullptr ? context_.language->Text(button.tipId) : button.tip;
    QAction* action = toolbar_->addAction(icon.isNull() ? blank : icon, tip);
    action->setToolTip(tip);
    action->setData(button.command);
    const int command = button.command;
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
  }
  addToolBar(Qt::TopToolBarArea, toolbar_);
  if (context_.store != nullptr) {
    ApplyToolbarArrangement(toolbar_, *context_.store, kDisplayName, ids::kToolbar);
    EnableToolbarCustomisation(toolbar_, context_.store, std::string(kDisplayName), ids::kToolbar);
  }
}

void MainWindow::AttachMenu() {
  if (context_.language == nullptr) return;
  static const MenuResource kMenus = ParseMenuResource(resources::MenuText());
  const auto found = kMenus.find(ids::kMainMenu);
  if (found == kMenus.end()) return;
  context_.language->BuildMenuBar(menuBar(), found->second, ids::kMainMenu,
                                  [this](int command) { OnCommand(command); });
  context_.language->AddListener([this] { OnLanguageChanged(); });
}

void MainWindow::AddTrayIcon() {
  tray_ = new TrayIcon(
      context_.language, [this](int command) { OnCommand(command); }, [this] { BringToFront(); },
      context_.trayAvailable, this);
  // Without the tray a hidden window could never be reached again.
  connect(tray_, &TrayIcon::trayLost, this, [this] {
    if (!destroyed_ && !isVisible()) BringToFront();
  });
  tray_->Show();
}

void MainWindow::RemoveTrayIcon() {
  if (tray_ != nullptr) tray_->Remove();
}

void MainWindow::HideForWallpaper() {
  if (tray_ != nullptr && tray_->available()) {
    hide();
  } else {
    showMinimized();
  }
}

void MainWindow::RemoveMissingLanguages() {
  if (context_.language == nullptr) return;
  for (QAction* action : menuBar()->findChildren<QAction*>()) {
    const char* code = LanguageOfCommand(action->data().toInt());
    if (code != nullptr && !context_.language->Available(code)) action->setVisible(false);
  }
}

void MainWindow::ApplyStoredLanguage() {
  if (context_.language == nullptr) return;
  if (!context_.language->Available(context_.initialLanguage)) return;  // stays English
  context_.language->Apply(context_.initialLanguage);
  SyncViewControls();
}

void MainWindow::OnLanguageChanged() {
  context_.language->RetranslateMenu(menuBar());
  for (QAction* action : toolbar_->actions()) {
    for (const ToolbarButton& button : kMainToolbarButtons) {
      if (button.command == 0 || action->data().toInt() != button.command) continue;
      action->setText(context_.language->Text(button.tipId));
      action->setToolTip(action->text());
    }
  }
  if (statusMessageId_ != 0) SetStatusMessage(statusMessageId_);
  SyncViewControls();
}

void MainWindow::SetStatusMessage(int stringId) {
  statusMessageId_ = stringId;
  QString text;
  if (stringId != 0) {
    text = context_.language != nullptr ? context_.language->Text(stringId)
                                        : QStringLiteral("Loading...");
  }
  statusBar_->SetPartText(0, text);
}

void MainWindow::SyncViewControls() {
  const Settings* settings = context_.settings;
  const ViewModes& modes = compositor_->modes;
  const std::string selected =
      context_.language != nullptr ? context_.language->selectedCode() : std::string();
  for (const LanguageCommand& language : kLanguageCommands)
    SetMenuCheck(menuBar(), language.command, selected == language.code);
  const std::pair<int, bool> states[] = {
      {ids::kCmdDayMap, modes.day},
      {ids::kCmdNightMap, modes.night},
      {ids::kCmdTimeZones, modes.zones},
      {ids::kCmdSunShadow, modes.shadow},
  };
  for (const auto& [command, on] : states) {
    SetMenuCheck(menuBar(), command, on);
    CheckToolbarButton(toolbar_, command, on);
  }
  SetMenuCheck(menuBar(), ids::kCmdWallpaperMode, settings != nullptr && settings->wallpaper != 0);
  if (settings != nullptr) {
    const std::pair<int, bool> layers[] = {
        {ids::kCmdAllCities, settings->cities != 0},
        {ids::kCmdCityNames, settings->track != 0},
        {ids::kCmdGrid, settings->grid != 0},
        {ids::kCmdCitySelection, settings->marked != 0},
    };
    for (const auto& [command, on] : layers) {
      SetMenuCheck(menuBar(), command, on);
      CheckToolbarButton(toolbar_, command, on);
    }
  }
  if (context_.icons != nullptr) ApplyMenuIcons(menuBar(), *context_.icons);
  UpdateAnimationCommands();
}

void MainWindow::AttachStatusBar() {
  statusBar_ = new PartStatusBar(kMainStatusParts, kMainStatusDistances, this);
  statusBar_->setObjectName(QStringLiteral("statusbar"));
}

void MainWindow::SetLayout() {
  // The toolbar spans the top edge; the map fills the client area from 2 pixels below the
  // toolbar to the right edge and down to the status bar.
  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 2, 0, 0);
  layout->setSpacing(0);
  mapArea_ = new MapArea(client);
  mapArea_->SetSources(&view_, images_, compositor_.get());
  if (context_.settings != nullptr)
    mapArea_->SetOverlaySources(context_.world, context_.settings, context_.clock, context_.locale);
  connect(mapArea_, &MapArea::hoverStatus, this, [this](const QString& text) {
    statusMessageId_ = 0;
    statusBar_->SetPartText(0, text);
  });
  connect(mapArea_, &MapArea::pointerMoved, this, &MainWindow::ShowPointerReadOut);
  connect(mapArea_, &MapArea::contextMenuRequested, this,
          [this](QPoint point) { OnMapContextMenu(point); });
  connect(mapArea_, &MapArea::doubleClicked, this,
          [this](QPoint point) { OnMapDoubleClick(point); });
  layout->addWidget(mapArea_, 1);
  layout->addWidget(statusBar_, 0);  // reparented into the client area
  setCentralWidget(client);
}

void MainWindow::Open() {
  AddTrayIcon();
  InitializeHttpClient();
  UpdateTitleClock();
  StartTimers();
  RemoveMissingLanguages();
  ApplyStoredLanguage();
  SetStatusMessage(kLoadingText);
  PostUserMessage(kMsgLoadBaseImages);
  PostUserMessage(kMsgFirstShadow);
  show();
}

bool MainWindow::OnCommand(int command) {
  if (const char* code = LanguageOfCommand(command); code != nullptr && context_.language) {
    context_.language->Apply(code);
    return true;
  }
  switch (command) {
    case ids::kCmdQuit:
      Destroy();
      return true;
    case ids::kCmdTrayRestore:
      BringToFront();
      return true;
    case ids::kCmdTrayMinimize:
      showMinimized();
      return true;
    case ids::kCmdAbout:
      ShowRichText(this, QStringLiteral("About"),
                   AboutHtml(context_.dataPaths->Find("SOURCES.md")));
      return true;
    case ids::kCmdManual:
      ShowRichTextFile(this, QStringLiteral("Manual"),
                       ToQString(context_.dataPaths->Find("manual/manual.html")));
      return true;
    case ids::kCmdUpgrade:
      ShowRichText(this, QStringLiteral("Upgrade"), UpgradeHtml());
      return true;
    case ids::kCmdZoomIn:
    case ids::kCmdZoomOut:
    case ids::kCmdActualPixels:
      RunZoomCommand(view_, command, mapArea_->width());
      RedrawMap();
      return true;
    case ids::kCmdFitToScreen:
      FitToWindow();
      return true;
    case ids::kCmdDayMap:
    case ids::kCmdNightMap:
    case ids::kCmdTimeZones:
    case ids::kCmdSunShadow:
      RunViewCommand(command);
      return true;
    case ids::kCmdAllCities:
    case ids::kCmdCityNames:
    case ids::kCmdGrid:
    case ids::kCmdCitySelection:
      ToggleOverlay(command);
      return true;
    default:
      return false;
  }
}

void MainWindow::RunViewCommand(int command) {
  ApplyViewCommand(compositor_->modes, command);
  RecomputeMap();
  SyncViewControls();
  if (command == ids::kCmdDayMap) UpdateAnimationCommands();
}

void MainWindow::RecomputeMap() {
  compositor_->Compose(context_.clock->Now());
  // Composing may switch the shadow off (Night Map); the stored flags follow the modes.
  if (Settings* settings = context_.settings) {
    const ViewModes& modes = compositor_->modes;
    settings->day = modes.day ? 1 : 0;
    settings->night = modes.night ? 1 : 0;
    settings->zones = modes.zones ? 1 : 0;
    settings->shadow = modes.shadow ? 1 : 0;
  }
  RedrawMap();
}

void MainWindow::RedrawMap() { mapArea_->Redraw(); }

void MainWindow::ClockTick() { mapArea_->RedrawClock(); }

void MainWindow::UpdateAnimationCommands() {
  // No cloud frames are downloaded or played yet: the first frame is shown, nothing runs.
  constexpr bool kDownloading = false;
  constexpr bool kPlaying = false;
  constexpr int kFrame = 0;
  EnableToolbarButton(toolbar_, ids::kCmdPrevious, !kDownloading && kFrame <= 10);
  EnableToolbarButton(toolbar_, ids::kCmdNext, !kDownloading && kFrame > 0);
  EnableToolbarButton(toolbar_, ids::kCmdPlay, !kPlaying);
  EnableToolbarButton(toolbar_, ids::kCmdStop, kPlaying || kDownloading);
  EnableToolbarButton(toolbar_, ids::kCmdSunShadow, !compositor_->modes.night);
}

void MainWindow::OnMapContextMenu(QPoint mapAreaPoint) {
  if (context_.language == nullptr) return;
  context_.language->PopupMenu(
      ids::kMapContextMenu, mapArea_->mapToGlobal(mapAreaPoint),
      [this, mapAreaPoint](QMenu* menu) { PrepareContextMenu(menu, mapAreaPoint); },
      [this](int command) { OnCommand(command); });
}

void MainWindow::PrepareContextMenu(QMenu* menu, QPoint mapAreaPoint) {
  constexpr int kPropertiesPlaceholder = 40014;
  constexpr int kWeatherPlaceholder = 40024;
  constexpr int kHotelsPlaceholder = 40025;
  // An item and the menu (or submenu) that holds it.
  struct Item {
    QMenu* owner = nullptr;
    QAction* action = nullptr;
  };
  QList<QMenu*> menus = menu->findChildren<QMenu*>();
  menus.prepend(menu);
  const auto locate = [&menus](int command) {
    for (QMenu* m : menus)
      for (QAction* action : m->actions())
        if (!action->isSeparator() && action->menu() == nullptr &&
            action->data().toInt() == command)
          return Item{m, action};
    return Item{};
  };
  const auto find = [&locate](int command) { return locate(command).action; };
  const Item properties = locate(kPropertiesPlaceholder);
  const Item weather = locate(kWeatherPlaceholder);
  const Item hotels = locate(kHotelsPlaceholder);
  // The search takes the map area's top as kMenuAreaTop below the point it is given; the point
  // is placed so, wherever the toolbar puts the area, which keeps the two in step.
  const QPoint client(mapAreaPoint.x(), mapAreaPoint.y() + kMenuAreaTop);
  const int count = PickMenuCities(view_, context_.world->cities, {client.x(), client.y()});
  for (int i = 0; i < count; ++i) {
    const City& city =
        context_.world
            ->cities[static_cast<std::size_t>(view_.menuCities[static_cast<std::size_t>(i)])];
    const std::size_t cut = city.name.rfind('(');
    const QString text = ToQString(cut == std::string::npos ? city.name : city.name.substr(0, cut));
    const auto insert = [&text](const Item& before, int command) {
      if (before.action == nullptr) return;
      auto* item = new QAction(text, before.owner);
      item->setData(command);
      before.owner->insertAction(before.action, item);
    };
    const MapPoint p = BaseToView(view_, BaseMapPixel(city.longitude, city.latitude));
    const double dx = p.x - client.x();
    const double dy = p.y + kMenuAreaTop - client.y();
    const bool under = i == 0 && std::sqrt(dx * dx + dy * dy) < 10;
    insert(properties, under ? 18999 : 19000 + i);
    insert(weather, 20000 + i);
    insert(hotels, 21000 + i);
  }
  const Settings* settings = context_.settings;
  const ViewModes& modes = compositor_->modes;
  const std::pair<int, bool> checks[] = {
      {ids::kCmdCitySelection, settings != nullptr && settings->marked != 0},
      {ids::kCmdDayMap, modes.day},
      {ids::kCmdNightMap, modes.night},
      {ids::kCmdClouds, modes.clouds},
      {ids::kCmdCityNames, settings != nullptr && settings->track != 0},
      {ids::kCmdAllCities, settings != nullptr && settings->cities != 0},
      {ids::kCmdTimeZones, modes.zones},
      {ids::kCmdGrid, settings != nullptr && settings->grid != 0},
  };
  for (const auto& [command, on] : checks) SetMenuCheck(menu, command, on);
  if (QAction* shadow = find(ids::kCmdSunShadow)) {
    shadow->setEnabled(!modes.night);
    shadow->setChecked(modes.shadow);
  }
  for (const Item& placeholder : {properties, weather, hotels}) {
    if (placeholder.action != nullptr) placeholder.owner->removeAction(placeholder.action);
  }
}

void MainWindow::OnMapDoubleClick(QPoint mapAreaPoint) {
  const bool cityNames = context_.settings != nullptr && context_.settings->track != 0;
  const int city = cityNames ? mapArea_->hover().city
                             : FindNearestCity(view_, context_.world->cities,
                                               {mapAreaPoint.x(), mapAreaPoint.y()})
                                   .index;
  if (city < 0 || city >= static_cast<int>(context_.world->cities.size())) return;
  if (Settings* settings = context_.settings; settings != nullptr && settings->marked == 0) {
    settings->marked = 1;
    SyncViewControls();
  }
  ToggleMarked(context_.world->cities[static_cast<std::size_t>(city)]);
  RedrawMap();
}

void MainWindow::ToggleOverlay(int command) {
  Settings* settings = context_.settings;
  if (settings == nullptr) return;
  switch (command) {
    case ids::kCmdAllCities:
      settings->cities = settings->cities != 0 ? 0 : 1;
      break;
    case ids::kCmdCityNames:
      settings->track = settings->track < 1 ? 40 : 0;
      break;
    case ids::kCmdGrid:
      settings->grid = settings->grid != 0 ? 0 : 1;
      break;
    case ids::kCmdCitySelection:
      settings->marked = settings->marked != 0 ? 0 : 1;
      break;
    default:
      return;
  }
  RedrawMap();
  SyncViewControls();
}

void MainWindow::FitToWindow() { mapArea_->Fit(); }

void MainWindow::UpdateTitleClock() {
  setWindowTitle(ToQString(TitleClockText(*context_.clock, isMinimized())));
}

void MainWindow::LoadBaseImages() {
  LoadDayAndZoneImages(*images_, *context_.dataPaths, context_.notice);
  images_->ComposeFromDay();
  mapArea_->ReleaseViewImage();  // the composed map was replaced without a composition
  RedrawMap();
  SyncViewControls();
  UpdateAnimationCommands();
}

void MainWindow::RecomputeSunShadow() { RecomputeMap(); }

void MainWindow::ReloadBaseImages() {
  activateWindow();
  LoadDayAndZoneImages(*images_, *context_.dataPaths, context_.notice);
}

void MainWindow::ReleaseImages() {
  images_->FreeForMinimise();
  mapArea_->ReleaseViewImage();
}

void MainWindow::ReleaseComposedMap() {
  images_->composedSlot().reset();
  mapArea_->ReleaseViewImage();
}

void MainWindow::StartTimers() {
  shadowTimer_ = new QTimer(this);
  connect(shadowTimer_, &QTimer::timeout, this, [this] { OnTimer(ids::kTimerShadowRefresh); });
  const int refresh =
      context_.settings != nullptr ? context_.settings->refresh : kDefaultRefreshMinutes;
  // A period of 0 means no automatic refresh; a period too long for the timer is capped.
  if (refresh > 0) shadowTimer_->start(std::min(refresh, 35791) * kMinuteMs);

  cloudCheckTimer_ = new QTimer(this);
  connect(cloudCheckTimer_, &QTimer::timeout, this, [this] { OnTimer(ids::kTimerCloudCheck); });
  cloudCheckTimer_->start(kCloudCheckPeriodMs);

  clockTimer_ = new QTimer(this);
  connect(clockTimer_, &QTimer::timeout, this, [this] { OnTimer(ids::kTimerClock); });
  clockTimer_->start(kClockPeriodMs);
}

void MainWindow::KillTimers() {
  for (QTimer* timer : {shadowTimer_, cloudCheckTimer_, clockTimer_}) {
    if (timer != nullptr) timer->stop();
  }
}

const QTimer* MainWindow::timer(int timerId) const {
  const QTimer* found = nullptr;
  switch (timerId) {
    case ids::kTimerClock:
      found = clockTimer_;
      break;
    case ids::kTimerCloudCheck:
      found = cloudCheckTimer_;
      break;
    case ids::kTimerShadowRefresh:
      found = shadowTimer_;
      break;
    default:
      break;
  }
  return found != nullptr && found->isActive() ? found : nullptr;
}

void MainWindow::OnTimer(int timerId) {
  switch (timerId) {
    case ids::kTimerClock:
      if (view_.zoomDragging) return;
      UpdateTitleClock();
      ClockTick();
      RefreshPointerReadOut();
      return;
    case ids::kTimerCloudCheck:
      CheckNewestClouds();
      return;
    case ids::kTimerShadowRefresh:
      if (!compositor_->modes.shadow) return;
      RecomputeMap();
      if (context_.settings != nullptr && context_.settings->wallpaper != 0) RefreshWallpaper();
      return;
    default:
      return;
  }
}

void MainWindow::ShowPointerReadOut(QPoint mapAreaPoint) {
  const bool cityNames = context_.settings != nullptr && context_.settings->track != 0;
  const PointerReadOut readOut = ReadPointer(
      view_, *context_.world, images_->zones(), images_->composed(),
      {mapAreaPoint.x(), mapAreaPoint.y()}, cityNames, highlightedCity_, *context_.clock);
  const PointerStatusTexts texts = PointerStatus(readOut, *context_.locale);
  statusBar_->SetPartText(kStatusLatitudePart, ToQString(texts.latitude));
  statusBar_->SetPartText(kStatusLongitudePart, ToQString(texts.longitude));
  statusBar_->SetPartText(kStatusLocalTimePart, ToQString(texts.localTime));
  // With City Names on, the hover highlight under the pointer is redrawn here by the overlays.
}

void MainWindow::RefreshPointerReadOut() {
  // The pointer is read again from the system: the clock moves on even when the mouse does not.
  const QPoint point = mapArea_->mapFromGlobal(QCursor::pos());
  if (mapArea_->rect().contains(point)) ShowPointerReadOut(point);
}

bool MainWindow::Minimised() const {
  return isMinimized() || host_.windowState() == DialogHost::kMinimized;
}

void MainWindow::SetWaitCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  RemoveTrayIcon();
  KillTimers();
  StoreViewState();
  if (context_.saveSettings) context_.saveSettings();
  host_.Detach();
  hide();
  // Like a posted quit message: the loop ends once it gets to it, even if it is not running yet.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void MainWindow::StoreViewState() {
  if (Settings* settings = context_.settings) {
    settings->zoom = view_.zoom;
    settings->cx = view_.scrollX;
    settings->cy = view_.scrollY;
  }
}

void MainWindow::BringToFront() {
  if (destroyed_) return;
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  if (context_.settings != nullptr && context_.settings->wallpaper != 0) {
    // In wallpaper mode the program goes on in the tray; closing only hides the window.
    PostUserMessage(kMsgHideForWallpaper);
    ReleaseComposedMap();
    event->ignore();
    return;
  }
  event->accept();
  Destroy();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || destroyed_) return;
  const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
  const bool wasMinimised = before.testFlag(Qt::WindowMinimized);
  const bool minimised = isMinimized();
  const bool wasMaximised = before.testFlag(Qt::WindowMaximized);
  const bool maximised = isMaximized();
  if (minimised == wasMinimised && maximised == wasMaximised) return;
  UpdateTitleClock();
  if (minimised) {
    // A minimised window shows no map: its pictures are let go until it comes back.
    ReleaseImages();
    return;
  }
  // Restored or maximised: the pictures come back and the map is fitted once the new size is in.
  ReloadBaseImages();
  PostUserMessage(kMsgFitAfterRestore);
}

void MainWindow::PostUserMessage(int code) {
  QMetaObject::invokeMethod(
      this, [this, code] { OnUserMessage(code); }, Qt::QueuedConnection);
}

void MainWindow::OnUserMessage(int code) {
  switch (code) {
    case kMsgCloudFrameLoaded:
      RedrawMap();
      UpdateAnimationCommands();
      break;
    case kMsgCloudDownloadDone:
      // Stepping on to the frame the download was for comes with the cloud service.
      UpdateAnimationCommands();
      break;
    case kMsgLoadBaseImages:
      LoadBaseImages();
      break;
    case kMsgFirstShadow:
      SetStatusMessage(0);
      RecomputeSunShadow();
      break;
    case kMsgHideForWallpaper:
      HideForWallpaper();
      break;
    case kMsgFitAfterRestore:
      FitToWindow();
      break;
    default:
      break;
  }
}

}  // namespace meridiana
