#include "shell/window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "map/base_images.h"
#include "map/map_geometry.h"
#include "online/cloud_service.h"
#include "online/host_resolver.h"
#include "online/http_client.h"
#include "online/quake_feed.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/map_image_files.h"
#include "shell/app/qt_event_loop.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/desktop/wallpaper_mode.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/meeting_planner.h"
#include "shell/window/first_window_size.h"
#include "shell/window/main_toolbar.h"
#include "shell/window/map_area.h"
#include "shell/window/map_gestures.h"
#include "shell/window/online_layer_hosts.h"
#include "shell/window/status_bar.h"
#include "shell/window/status_parts.h"
#include "shell/window/time_bar.h"
#include "shell/window/title_clock.h"
#include "shell/window/toolbar_arrangement.h"
#include "shell/window/tray_clocks.h"
#include "shell/window/tray_icon.h"
#include "shell/window/view_commands.h"

namespace meridiana {

namespace {

constexpr int kMinTrackWidth = 320;
constexpr int kMinTrackHeight = 250;
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 480;
// Codes of the program's own posted messages (1 and 2 are the cloud frames').
constexpr int kMsgLoadBaseImages = 4;
constexpr int kMsgFirstShadow = 3;
constexpr int kMsgHideForWallpaper = 5;
constexpr int kMsgFitAfterRestore = 7;

constexpr int kLoadingText = 1432;
// How long work that waits for the first map waits when no map comes.
constexpr int kFirstMapPatienceMs = 2000;

}  // namespace

MainWindow::MainWindow(Context context, QWidget* parent)
    : QMainWindow(parent),
      context_(std::move(context)),
      host_(ids::kMainDialog, std::string(kDisplayName), context_.store) {
  if (context_.clock == nullptr) context_.clock = &systemClock_;
  liveClock_ = context_.clock;
  shownClock_ = std::make_unique<ShownClock>(*liveClock_);
  context_.clock = shownClock_.get();
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
  if (context_.settings != nullptr) compositor_->center = context_.settings->center;
  // The stored view; the first resize fits the map anyway, since the user has not zoomed yet.
  RestoreViewPlace(context_.settings, view_);

  setObjectName(QStringLiteral("dialog%1").arg(ids::kMainDialog));
  setWindowTitle(ToQString(kDisplayName));
  resize(kDefaultWidth, kDefaultHeight);

  AttachToolbar();
  AttachStatusBar();
  AttachMenu();
  SetLayout();
  AttachLinks();
  RouteCommands();
  OpenAtMapSize();
  host_.Attach(this, kMinTrackWidth, kMinTrackHeight);  // a kept rectangle wins
}

void MainWindow::OpenAtMapSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr || layout() == nullptr || centralWidget() == nullptr) return;
  // Nothing is laid out before the first show: lay the bars and the map out in the default
  // size now to learn what surrounds the map.
  ensurePolished();
  layout()->setGeometry(rect());
  centralWidget()->layout()->activate();
  const QSize chrome = size() - mapArea_->size();
  const QSize first = FirstWindowSize(chrome, {kBaseMapWidth, kBaseMapHeight},
                                      screen->availableSize(), {kDefaultWidth, kDefaultHeight});
  resize(first);
  if (first != QSize(kDefaultWidth, kDefaultHeight)) plannedSize_ = first;
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (plannedSize_.isEmpty()) return;
  const QSize planned = plannedSize_;
  plannedSize_ = QSize();
  // The bars take their final heights only once shown: give the map the rows they took, unless
  // a kept rectangle replaced the planned size meanwhile.
  QTimer::singleShot(0, this, [this, planned] {
    const int missing = kBaseMapHeight - mapArea_->height();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (missing == 0 || size() != planned || windowState() != Qt::WindowNoState ||
        screen == nullptr || height() + missing > screen->availableSize().height()) {
      return;
    }
    resize(width(), height() + missing);
  });
}

MainWindow::~MainWindow() {
  // Transfers end while the feeds their callbacks belong to still exist.
  if (http_) http_->Shutdown();
  host_.Detach();
}

void MainWindow::AttachToolbar() {
  toolbar_ = MakeMainToolbar(this, context_.icons, context_.language,
                             [this](int command) { OnCommand(command); });
  addToolBar(Qt::TopToolBarArea, toolbar_);
  if (context_.store != nullptr) {
    ApplyToolbarArrangement(toolbar_, *context_.store, kDisplayName, ids::kToolbar);
    EnableToolbarCustomisation(toolbar_, context_.store, std::string(kDisplayName), ids::kToolbar);
  }
}

void MainWindow::AddTrayIcon() {
  tray_ = new TrayIcon(
      context_.language, [this](int command) { OnCommand(command); }, [this] { BringToFront(); },
      context_.trayAvailable, this);
  AttachTrayClocks();
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

void MainWindow::SetStatusMessage(int stringId) {
  statusMessageId_ = stringId;
  QString text;
  if (stringId != 0) {
    text = LocalText(stringId);
  }
  statusBar_->SetPartText(0, text);
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
  mapArea_->SetOnlineLayers(&online_);
  connect(mapArea_, &MapArea::hoverStatus, this, [this](const QString& text) {
    statusMessageId_ = 0;
    statusBar_->SetPartText(0, text);
  });
  MapGestures::Sources gestures;
  gestures.area = mapArea_;
  gestures.statusBar = statusBar_;
  gestures.view = &view_;
  gestures.world = context_.world;
  gestures.settings = context_.settings;
  gestures.images = images_;
  gestures.modes = &compositor_->modes;
  gestures.clock = context_.clock;
  gestures.locale = context_.locale;
  gestures.language = context_.language;
  gestures.runCommand = [this](int command) { OnCommand(command); };
  gestures.marksChanged = [this] { OnMarksChanged(); };
  gestures_ = std::make_unique<MapGestures>(std::move(gestures));
  connect(mapArea_, &MapArea::pointerMoved, this, &MainWindow::ShowPointerReadOut);
  connect(mapArea_, &MapArea::pointerLeft, this, [this] { gestures_->ClearReadOut(); });
  connect(mapArea_, &MapArea::contextMenuRequested, this,
          [this](QPoint point) { gestures_->OpenContextMenu(point); });
  connect(mapArea_, &MapArea::doubleClicked, this,
          [this](QPoint point) { gestures_->DoubleClick(point); });
  layout->addWidget(mapArea_, 1);
  AttachTimeBar(layout);
  layout->addWidget(statusBar_, 0);  // reparented into the client area
  setCentralWidget(client);
}

void MainWindow::AfterFirstMap(std::function<void()> call) {
  if (firstMapShown_) {
    QTimer::singleShot(0, this, std::move(call));
    return;
  }
  afterFirstMap_.push_back(std::move(call));
}

void MainWindow::Open() {
  const auto mapShown = [this] {
    if (firstMapShown_) return;
    firstMapShown_ = true;
    for (std::function<void()>& call : afterFirstMap_) call();
    afterFirstMap_.clear();
  };
  connect(mapArea_, &MapArea::firstMapPainted, this, mapShown);
  QTimer::singleShot(kFirstMapPatienceMs, this, mapShown);
  AddTrayIcon();
  InitializeHttpClient();
  StartOnlineLayers();
  UpdateTitleClock();
  StartTimers();
  RemoveMissingLanguages();
  ApplyStoredLanguage();
  SetStatusMessage(kLoadingText);
  PostUserMessage(kMsgLoadBaseImages);
  PostUserMessage(kMsgFirstShadow);
  show();
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
  StoreModes(compositor_->modes, context_.settings);
  RedrawMap();
}

void MainWindow::RedrawMap() { mapArea_->Redraw(); }

void MainWindow::ClockTick() { mapArea_->RedrawClock(); }

void MainWindow::FitToWindow() { mapArea_->Fit(); }

void MainWindow::UpdateTitleClock() {
  if (!shownClock_->live()) {
    setWindowTitle(ToQString(ShownTitleText(*shownClock_, shownClock_->Now(), liveClock_->Now(),
                                            isMinimized(), LocalWeekdays())));
    return;
  }
  setWindowTitle(ToQString(TitleClockText(*context_.clock, isMinimized())));
}

void MainWindow::LoadBaseImages() {
  LoadDayAndZoneImages(*images_, *context_.dataPaths);
  images_->ComposeFromDay();
  mapArea_->ReleaseViewImage();  // the composed map was replaced without a composition
  RedrawMap();
  SyncViewControls();
  UpdateAnimationCommands();
}

void MainWindow::RecomputeSunShadow() { RecomputeMap(); }

void MainWindow::ReloadBaseImages() {
  activateWindow();
  LoadDayAndZoneImages(*images_, *context_.dataPaths);
}

void MainWindow::ReleaseImages() {
  images_->FreeForMinimise();
  mapArea_->ReleaseViewImage();
}

void MainWindow::ReleaseComposedMap() {
  images_->composedSlot().reset();
  mapArea_->ReleaseViewImage();
}

void MainWindow::ShowPointerReadOut(QPoint mapAreaPoint) { gestures_->ShowReadOut(mapAreaPoint); }

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
  if (http_) http_->Shutdown();
  StoreViewState();
  if (context_.saveSettings) context_.saveSettings();
  host_.Detach();
  hide();
  // Like a posted quit message: the loop ends once it gets to it, even if it is not running yet.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void MainWindow::StoreViewState() { StoreViewPlace(view_, context_.settings); }

void MainWindow::BringToFront() {
  if (destroyed_) return;
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
  // Put away in wallpaper mode, the window let its composed map go: it is made again here, or
  // the map area stays black.
  if (images_->composed() == nullptr && !Minimised()) RecomputeMap();
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
  if (images_->composed() == nullptr) RecomputeMap();  // let go when put away in wallpaper mode
  PostUserMessage(kMsgFitAfterRestore);
}

void MainWindow::PostUserMessage(int code) {
  QMetaObject::invokeMethod(
      this, [this, code] { OnUserMessage(code); }, Qt::QueuedConnection);
}

void MainWindow::OnUserMessage(int code) {
  switch (code) {
    case kMsgCloudFrameLoaded:
      RefreshOnlineView();
      RedrawMap();
      UpdateAnimationCommands();
      break;
    case kMsgCloudDownloadDone:
      if (clouds_) clouds_->RunPendingStep();
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
