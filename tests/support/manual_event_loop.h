#pragma once
// An event loop whose timers run on a clock the test moves: Advance(ms) fires what falls due, in
// time order. Sockets and posted calls are real (a poll() loop underneath), so a test can talk
// to loopback servers and still let a minute of timers pass in no time.

#include <algorithm>
#include <functional>
#include <map>

#include "online/event_loop.h"
#include "online/poll_event_loop.h"

namespace meridiana::test {

class ManualEventLoop : public EventLoop {
 public:
  Id StartTimer(int periodMs, std::function<void()> onTimeout) override {
    const Id id = nextTimer_++;
    timers_[id] =
        Timer{std::max(periodMs, 1), nowMs_ + std::max(periodMs, 1), std::move(onTimeout)};
    return id;
  }
  void StopTimer(Id timer) override { timers_.erase(timer); }
  Id WatchSocket(int fd, unsigned events, std::function<void(unsigned)> onReady) override {
    return inner_.WatchSocket(fd, events, std::move(onReady));
  }
  void ChangeWatch(Id watch, unsigned events) override { inner_.ChangeWatch(watch, events); }
  void StopWatch(Id watch) override { inner_.StopWatch(watch); }
  void Post(std::function<void()> call) override { inner_.Post(std::move(call)); }

  // Sockets and posted calls until done() or maxRealMs of real time; timers stand still.
  bool Settle(const std::function<bool()>& done, int maxRealMs = 3000) {
    return inner_.RunUntil(done, maxRealMs);
  }
  // Moves the clock on, firing each timer as it falls due and settling posted calls in between.
  void Advance(long long ms) {
    const long long end = nowMs_ + ms;
    for (;;) {
      auto next = std::min_element(
          timers_.begin(), timers_.end(),
          [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
      if (next == timers_.end() || next->second.due > end) break;
      nowMs_ = next->second.due;
      next->second.due += next->second.period;
      std::function<void()> onTimeout = next->second.onTimeout;
      onTimeout();
      inner_.RunOnce(0);
    }
    nowMs_ = end;
  }
  std::size_t TimerCount() const { return timers_.size(); }

 private:
  struct Timer {
    int period;
    long long due;
    std::function<void()> onTimeout;
  };
  PollEventLoop inner_;
  std::map<Id, Timer> timers_;
  Id nextTimer_ = 1000000;  // apart from the inner loop's ids
  long long nowMs_ = 0;
};

}  // namespace meridiana::test
