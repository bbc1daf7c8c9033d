#include "shell/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QVBoxLayout>

#include "shell/app_identity.h"
#include "shell/ids.h"
#include "shell/map_area.h"
#include "shell/menu_icons.h"
#include "shell/qt_text.h"
#include "shell/settings.h"
#include "shell/status_bar.h"
#include "shell/status_parts.h"
#include "shell/toolbar_table.h"

namespace meridiana {

namespace {

constexpr int kMinTrackWidth = 320;
constexpr int kMinTrackHeight = 250;
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 480;
// Codes of the program's own posted messages.
constexpr int kMsgLoadBaseImages = 4;
constexpr int kMsgFirstShadow = 3;
constexpr int kMsgHideForWallpaper = 5;

// Stands in for a toolbar icon that is not among the program's resources.
QIcon BlankButtonIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(2, 2, 11, 11);
  return QIcon(pixmap);
}

}  // namespace

MainWindow::MainWindow(Context context, QWidget* parent)
    : QMainWindow(parent),
      context_(std::move(context)),
      host_(ids::kMainDialog, std::string(kDisplayName), context_.store) {
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
    QAction* action = toolbar_->addAction(icon.isNull() ? blank : icon, button.tip);
    action->setToolTip(button.tip);
    action->setData(button.command);
    const int command = button.command;
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
  }
  addToolBar(Qt::TopToolBarArea, toolbar_);
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
  statusBar_->SetPartText(0, QStringLiteral("Loading..."));
  PostUserMessage(kMsgLoadBaseImages);
  PostUserMessage(kMsgFirstShadow);
  show();
}

bool MainWindow::OnCommand(int command) {
  switch (command) {
    case ids::kCmdQuit:
      Destroy();
      return true;
    default:
      return false;
  }
}

void MainWindow::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  RemoveTrayIcon();
  KillTimers();
  if (context_.saveSettings) context_.saveSettings();
  host_.Detach();
  hide();
  // Like a posted quit message: the loop ends once it gets to it, even if it is not running yet.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
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

void MainWindow::PostUserMessage(int code) {
  QMetaObject::invokeMethod(
      this, [this, code] { OnUserMessage(code); }, Qt::QueuedConnection);
}

void MainWindow::OnUserMessage(int code) {
  switch (code) {
    case kMsgLoadBaseImages:
      LoadBaseImages();
      break;
    case kMsgFirstShadow:
      statusBar_->SetPartText(0, QString());
      RecomputeSunShadow();
      break;
    case kMsgHideForWallpaper:
      hide();
      break;
    default:
      break;
  }
}

}  // namespace meridiana
