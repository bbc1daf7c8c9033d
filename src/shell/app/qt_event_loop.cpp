#include "shell/app/qt_event_loop.h"

#include <QSocketNotifier>
#include <QTimer>

namespace meridiana {

QtEventLoop::QtEventLoop(QObject* parent) : QObject(parent) {}

QtEventLoop::~QtEventLoop() = default;  // the timers and notifiers are children

EventLoop::Id QtEventLoop::StartTimer(int periodMs, std::function<void()> onTimeout) {
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, std::move(onTimeout));
  timer->start(std::max(periodMs, 0));
  timers_[next_] = timer;
  return next_++;
}

void QtEventLoop::StopTimer(Id timer) {
  const auto found = timers_.find(timer);
  if (found == timers_.end()) return;
  found->second->stop();
  found->second->deleteLater();
  timers_.erase(found);
}

EventLoop::Id QtEventLoop::WatchSocket(int fd, unsigned events,
                                       std::function<void(unsigned)> onReady) {
  Watch watch;
  watch.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  watch.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
  connect(watch.read, &QSocketNotifier::activated, this, [onReady] { onReady(kReadable); });
  connect(watch.write, &QSocketNotifier::activated, this, [onReady] { onReady(kWritable); });
  watches_[next_] = watch;
  ChangeWatch(next_, events);
  return next_++;
}

void QtEventLoop::ChangeWatch(Id watch, unsigned events) {
  const auto found = watches_.find(watch);
  if (found == watches_.end()) return;
  found->second.read->setEnabled((events & kReadable) != 0);
  found->second.write->setEnabled((events & kWritable) != 0);
}

void QtEventLoop::StopWatch(Id watch) {
  const auto found = watches_.find(watch);
  if (found == watches_.end()) return;
  for (QSocketNotifier* notifier : {found->second.read, found->second.write}) {
    notifier->setEnabled(false);
    notifier->deleteLater();
  }
  watches_.erase(found);
}

void QtEventLoop::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace meridiana
