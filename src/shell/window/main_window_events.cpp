// The window's events and timers: closing, minimising and restoring, the first show, and what
// each timer does when it fires; the features' state as the App and the tests read it.

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "map/base_images.h"
#include "map/map_geometry.h"
#include "online/http_client.h"
#include "shell/app/ids.h"
#include "shell/app/map_image_files.h"
#include "shell/app/settings.h"
#include "shell/window/city_dialogs.h"
#include "shell/window/desktop_wallpaper.h"
#include "shell/window/main_window.h"
#include "shell/window/map_area.h"
#include "shell/window/map_gestures.h"
#include "shell/window/network_link.h"
#include "shell/window/online_layers.h"
#include "shell/window/time_tools.h"
#include "shell/window/tray_icon.h"
#include "shell/window/window_timers.h"

namespace meridiana {

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

void MainWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  if (context_.settings != nullptr && context_.settings->wallpaper != 0) {
    // In wallpaper mode the program goes on in the tray; closing only hides the window.
    QMetaObject::invokeMethod(
        this,
        [this] {
          // Out of sight: to the tray, or minimised where no tray can bring it back.
          if (tray_ != nullptr && tray_->available()) {
            hide();
          } else {
            showMinimized();
          }
        },
        Qt::QueuedConnection);
    images_->composedSlot().reset();
    mapArea_->ReleaseViewImage();
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
    images_->FreeForMinimise();
    mapArea_->ReleaseViewImage();
    return;
  }
  // Restored or maximised: the pictures come back and the map is fitted once the new size is in.
  activateWindow();
  LoadDayAndZoneImages(*images_, *context_.dataPaths);
  if (images_->composed() == nullptr) RecomputeMap();  // let go when put away in wallpaper mode
  QMetaObject::invokeMethod(
      this, [this] { mapArea_->Fit(); }, Qt::QueuedConnection);
}

void MainWindow::OnTimer(int timerId) {
  switch (timerId) {
    case ids::kTimerClock:
      if (view_.zoomDragging) return;
      UpdateTitleClock();
      timeTools_->Tick();
      // Another instant on the map stands still.
      if (!shownClock_->live()) return;
      mapArea_->RedrawClock();
      gestures_->RefreshReadOut();
      return;
    case ids::kTimerCloudCheck:
      online_->CheckNewestClouds();
      return;
    case ids::kTimerShadowRefresh:
      if (!compositor_->modes.shadow || !shownClock_->live()) return;
      RecomputeMap();
      if (context_.settings != nullptr && context_.settings->wallpaper != 0) wallpaper_->Refresh();
      return;
    default:
      return;
  }
}

const QTimer* MainWindow::timer(int timerId) const {
  const QTimer* found =
      timerId == ids::kTimerAnimation ? online_->animationTimer() : timers_->find(timerId);
  return found != nullptr && found->isActive() ? found : nullptr;
}

void MainWindow::ShowPointerReadOut(QPoint mapAreaPoint) { gestures_->ShowReadOut(mapAreaPoint); }

int MainWindow::wallpaperWidth() const { return wallpaper_->width(); }

void MainWindow::SyncWallpaperValues() { wallpaper_->SyncValues(); }

CitySelectorDialog* MainWindow::citySelector() const { return cities_->citySelector(); }

PropertiesDialog* MainWindow::properties() const { return cities_->properties(); }

void MainWindow::SetLinkOpener(std::function<void(std::string_view, const City*)> opener) {
  cities_->SetLinkOpener(std::move(opener));
}

TimeBar* MainWindow::timeBar() const { return timeTools_->timeBar(); }

MeetingPlannerDialog* MainWindow::meetingPlanner() const { return timeTools_->meetingPlanner(); }

CloudService* MainWindow::clouds() const { return online_->clouds(); }

const OnlineLayerView& MainWindow::onlineLayers() const { return online_->view(); }

HttpClient* MainWindow::httpClient() const { return network_->http(); }

}  // namespace meridiana
