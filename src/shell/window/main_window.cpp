#include "shell/window/main_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "map/base_images.h"
#include "map/map_geometry.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/map_image_files.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/city_dialogs.h"
#include "shell/window/desktop_wallpaper.h"
#include "shell/window/first_window_size.h"
#include "shell/window/home_place.h"
#include "shell/window/main_toolbar.h"
#include "shell/window/map_area.h"
#include "shell/window/map_gestures.h"
#include "shell/window/network_link.h"
#include "shell/window/online_layers.h"
#include "shell/window/status_bar.h"
#include "shell/window/status_parts.h"
#include "shell/window/status_text.h"
#include "shell/window/time_tools.h"
#include "shell/window/title_clock.h"
#include "shell/window/toolbar_arrangement.h"
#include "shell/window/tray_icon.h"
#include "shell/window/view_commands.h"
#include "shell/window/view_controls.h"
#include "shell/window/window_preferences.h"
#include "shell/window/window_timers.h"

namespace meridiana {

namespace {

constexpr int kMinTrackWidth = 320;
constexpr int kMinTrackHeight = 250;
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 480;
constexpr int kLoadingText = 1432;
// How long work that waits for the first map waits when no map comes.
constexpr int kFirstMapPatienceMs = 2000;

// What the compositor asks of the window: whether it is minimised, the wait cursor.
class WindowComposeHost : public ComposeHost {
 public:
  explicit WindowComposeHost(std::function<bool()> minimised) : minimised_(std::move(minimised)) {}
  bool Minimised() const override { return minimised_(); }
  void SetWaitCursor(bool on) override {
    if (on) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }

 private:
  std::function<bool()> minimised_;
};

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
  composeHost_ = std::make_unique<WindowComposeHost>(
      [this] { return isMinimized() || host_.windowState() == DialogHost::kMinimized; });
  compositor_ = std::make_unique<Compositor>(*images_, composeHost_.get(), context_.notice);
  compositor_->modes = ModesFromSettings(context_.settings);
  if (context_.settings != nullptr) compositor_->center = context_.settings->center;
  // The stored view; the first resize fits the map anyway, since the user has not zoomed yet.
  RestoreViewPlace(context_.settings, view_);

  setObjectName(QStringLiteral("dialog%1").arg(ids::kMainDialog));
  setWindowTitle(ToQString(kDisplayName));
  resize(kDefaultWidth, kDefaultHeight);

  // The toolbar, the status bar and the menus, then the features over them.
  toolbar_ = MakeMainToolbar(this, context_.icons, context_.language,
                             [this](int command) { OnCommand(command); });
  addToolBar(Qt::TopToolBarArea, toolbar_);
  if (context_.store != nullptr) {
    ApplyToolbarArrangement(toolbar_, *context_.store, kDisplayName, ids::kToolbar);
    EnableToolbarCustomisation(toolbar_, context_.store, std::string(kDisplayName), ids::kToolbar);
  }
  statusBar_ = new PartStatusBar(kMainStatusParts, kMainStatusDistances, this);
  statusBar_->setObjectName(QStringLiteral("statusbar"));
  text_ = [language = context_.language](int id) {
    return language != nullptr ? language->Text(id) : EnglishText(id);
  };
  status_ = std::make_unique<StatusText>(statusBar_, text_);
  home_ = std::make_unique<HomePlace>(context_.settings, context_.world, context_.locale, text_);

  CreateFeatures();
  SetLayout();
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
  mapArea_->SetOnlineLayers(&online_->view());
  connect(mapArea_, &MapArea::hoverStatus, this,
          [this](const QString& text) { status_->ShowPassing(StatusText::kPointerCountry, text); });
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
  gestures.home = home_.get();
  gestures.runCommand = [this](int command) { OnCommand(command); };
  gestures.marksChanged = [this] { cities_->OnMarksChanged(); };
  gestures_ = std::make_unique<MapGestures>(std::move(gestures));
  connect(mapArea_, &MapArea::pointerMoved, this, &MainWindow::ShowPointerReadOut);
  connect(mapArea_, &MapArea::pointerLeft, this, [this] { gestures_->ClearReadOut(); });
  connect(mapArea_, &MapArea::contextMenuRequested, this,
          [this](QPoint point) { gestures_->OpenContextMenu(point); });
  connect(mapArea_, &MapArea::doubleClicked, this,
          [this](QPoint point) { gestures_->DoubleClick(point); });
  layout->addWidget(mapArea_, 1);
  // The shown instant changed: the map, the title, the read-out and Properties follow it.
  timeTools_->AttachTimeBar(
      layout,
      [this] {
        RecomputeMap();
        UpdateTitleClock();
        gestures_->RefreshReadOut();
        if (PropertiesDialog* shown = cities_->properties()) shown->Refill();
      },
      [this] { UpdateTitleClock(); });
  layout->addWidget(statusBar_, 0);  // reparented into the client area
  setCentralWidget(client);
}

void MainWindow::AddTrayIcon() {
  tray_ = new TrayIcon(
      context_.language, [this](int command) { OnCommand(command); }, [this] { BringToFront(); },
      context_.trayAvailable, this);
  timeTools_->AttachTrayClocks(tray_);
  // Without the tray a hidden window could never be reached again.
  connect(tray_, &TrayIcon::trayLost, this, [this] {
    if (!destroyed_ && !isVisible()) BringToFront();
  });
  tray_->Show();
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
  network_->Start([this](std::function<void()> call) { AfterFirstMap(std::move(call)); });
  online_->Start();
  UpdateTitleClock();
  timers_->Start(this,
                 context_.settings != nullptr ? context_.settings->refresh : kDefaultRefreshMinutes,
                 [this](int timerId) { OnTimer(timerId); });
  controls_->RemoveMissingLanguages();
  controls_->ApplyStoredLanguage();
  status_->ShowMessage(kLoadingText);
  // Each on a later turn of the event loop, in this order: the base images, the first shadow.
  QMetaObject::invokeMethod(
      this,
      [this] {
        LoadDayAndZoneImages(*images_, *context_.dataPaths);
        images_->ComposeFromDay();
        mapArea_->ReleaseViewImage();  // the composed map was replaced without a composition
        mapArea_->Redraw();
        controls_->Sync();
        controls_->UpdateAnimationCommands();
      },
      Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      this,
      [this] {
        status_->ShowMessage(0);
        RecomputeMap();
      },
      Qt::QueuedConnection);
  show();
}

void MainWindow::RecomputeMap() {
  compositor_->Compose(context_.clock->Now());
  // Composing may switch the shadow off (Night Map); the stored flags follow the modes.
  StoreModes(compositor_->modes, context_.settings);
  mapArea_->Redraw();
}

void MainWindow::UpdateTitleClock() {
  if (!shownClock_->live()) {
    setWindowTitle(ToQString(ShownTitleText(*shownClock_, shownClock_->Now(), liveClock_->Now(),
                                            isMinimized(), timeTools_->LocalWeekdays())));
    return;
  }
  setWindowTitle(ToQString(TitleClockText(*context_.clock, isMinimized())));
}

void MainWindow::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (tray_ != nullptr) tray_->Remove();
  timers_->Stop();
  network_->Shutdown();
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
  if (images_->composed() == nullptr && !composeHost_->Minimised()) RecomputeMap();
}

}  // namespace meridiana
