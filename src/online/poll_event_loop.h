#pragma once
// The event loop of the tests and the command line: poll() on the watched sockets, timers on the
// monotonic clock, posted calls first in each turn. Callbacks may start and stop timers and
// watches, their own included.

#include <chrono>
#include <deque>
#include <map>

#include "online/event_loop.h"

namespace meridiana {

class PollEventLoop : public EventLoop {
 public:
  Id StartTimer(int periodMs, std::function<void()> onTimeout) override;
  void StopTimer(Id timer) override;
  Id WatchSocket(int fd, unsigned events, std::function<void(unsigned ready)> onReady) override;
  void ChangeWatch(Id watch, unsigned events) override;
  void StopWatch(Id watch) override;
  void Post(std::function<void()> call) override;

  // One turn: the posted calls, then waits up to maxWaitMs (less when a timer is due sooner,
  // 0 when calls were posted meanwhile) for sockets, then their callbacks and the due timers.
  // False when there is nothing left to wait for.
  bool RunOnce(int maxWaitMs);
  // Turns until done() answers true or maxMs have passed; done()'s last answer.
  bool RunUntil(const std::function<bool()>& done, int maxMs);

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
    std::function<void()> onTimeout;
  };
  struct Watch {
    int fd;
    unsigned events;
    std::function<void(unsigned)> onReady;
  };

  Id next_ = 1;
  std::map<Id, Timer> timers_;
  std::map<Id, Watch> watches_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace meridiana
