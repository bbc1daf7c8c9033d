#include "shell/window/window_timers.h"

#include <QTimer>
#include <algorithm>

#include "shell/app/ids.h"

namespace meridiana {

namespace {

constexpr int kClockPeriodMs = 1000;
constexpr int kCloudCheckPeriodMs = 3600000;
constexpr int kMinuteMs = 60000;
constexpr int kLongestRefreshMinutes = 35791;  // the longest period a timer takes

}  // namespace

void WindowTimers::Start(QObject* parent, int refreshMinutes,
                         const std::function<void(int)>& fire) {
  shadow_ = new QTimer(parent);
  QObject::connect(shadow_, &QTimer::timeout, parent, [fire] { fire(ids::kTimerShadowRefresh); });
  // A period of 0 means no automatic refresh; a period too long for the timer is capped.
  if (refreshMinutes > 0)
    shadow_->start(std::min(refreshMinutes, kLongestRefreshMinutes) * kMinuteMs);

  cloudCheck_ = new QTimer(parent);
  QObject::connect(cloudCheck_, &QTimer::timeout, parent, [fire] { fire(ids::kTimerCloudCheck); });
  cloudCheck_->start(kCloudCheckPeriodMs);

  clock_ = new QTimer(parent);
  QObject::connect(clock_, &QTimer::timeout, parent, [fire] { fire(ids::kTimerClock); });
  clock_->start(kClockPeriodMs);
}

void WindowTimers::Stop() {
  for (QTimer* timer : {shadow_, cloudCheck_, clock_}) {
    if (timer != nullptr) timer->stop();
  }
}

void WindowTimers::RestartShadowRefresh(int refreshMinutes) {
  if (shadow_ == nullptr) return;
  shadow_->stop();
  if (refreshMinutes > 0)
    shadow_->start(std::min(refreshMinutes, kLongestRefreshMinutes) * kMinuteMs);
}

const QTimer* WindowTimers::find(int timerId) const {
  switch (timerId) {
    case ids::kTimerClock:
      return clock_;
    case ids::kTimerCloudCheck:
      return cloudCheck_;
    case ids::kTimerShadowRefresh:
      return shadow_;
    default:
      return nullptr;
  }
}

}  // namespace meridiana
