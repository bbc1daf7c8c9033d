#pragma once
// The event loop of the network code on the window's Qt loop: QTimer, QSocketNotifier and queued
// calls. Timers and watches stopped inside their own callbacks go once the callback returns.

#include <QObject>
#include <map>

#include "online/event_loop.h"

class QSocketNotifier;
class QTimer;

namespace meridiana {

class QtEventLoop : public QObject, public EventLoop {
 public:
  explicit QtEventLoop(QObject* parent = nullptr);
  ~QtEventLoop() override;

  Id StartTimer(int periodMs, std::function<void()> onTimeout) override;
  void StopTimer(Id timer) override;
  Id WatchSocket(int fd, unsigned events, std::function<void(unsigned ready)> onReady) override;
  void ChangeWatch(Id watch, unsigned events) override;
  void StopWatch(Id watch) override;
  void Post(std::function<void()> call) override;

 private:
  struct Watch {
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;
  };

  Id next_ = 1;
  std::map<Id, QTimer*> timers_;
  std::map<Id, Watch> watches_;
};

}  // namespace meridiana
