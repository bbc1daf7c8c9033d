// The window's timers: the clock every second, the cloud check every hour, the shadow refresh
// every `refresh` minutes (none at 0), and what each does when it fires.

#include <QTimer>
#include <algorithm>

#include "map/compose.h"
#include "shell/app/ids.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"
#include "shell/window/map_gestures.h"

namespace meridiana {

namespace {

constexpr int kClockPeriodMs = 1000;
constexpr int kCloudCheckPeriodMs = 3600000;
constexpr int kMinuteMs = 60000;

}  // namespace

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
    case ids::kTimerAnimation:
      found = animationTimer_;
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
      TickTimeTools();
      // Another instant on the map stands still.
      if (!shownClock_->live()) return;
      ClockTick();
      gestures_->RefreshReadOut();
      return;
    case ids::kTimerCloudCheck:
      CheckNewestClouds();
      return;
    case ids::kTimerShadowRefresh:
      if (!compositor_->modes.shadow || !shownClock_->live()) return;
      RecomputeMap();
      if (context_.settings != nullptr && context_.settings->wallpaper != 0) RefreshWallpaper();
      return;
    default:
      return;
  }
}

}  // namespace meridiana
