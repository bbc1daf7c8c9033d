#pragma once
// What the network code needs from an event loop: timers, watches on a socket's readiness and
// calls posted for a later turn. The window's loop provides them with Qt; tests and the command
// line use the poll() loop.

#include <functional>

namespace meridiana {

class EventLoop {
 public:
  using Id = int;  // 0 is never an id
  enum Readiness : unsigned { kReadable = 1, kWritable = 2 };

  virtual ~EventLoop() = default;
  // A timer that fires every periodMs milliseconds until stopped.
  virtual Id StartTimer(int periodMs, std::function<void()> onTimeout) = 0;
  virtual void StopTimer(Id timer) = 0;
  // Calls onReady with what the socket is ready for, among the events asked for.
  virtual Id WatchSocket(int fd, unsigned events, std::function<void(unsigned ready)> onReady) = 0;
  virtual void ChangeWatch(Id watch, unsigned events) = 0;
  virtual void StopWatch(Id watch) = 0;
  // Runs the call on a later turn of the loop, after the calls posted before it.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace meridiana
