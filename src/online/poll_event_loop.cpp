#include "online/poll_event_loop.h"

#include <poll.h>

#include <algorithm>
#include <vector>

namespace meridiana {

EventLoop::Id PollEventLoop::StartTimer(int periodMs, std::function<void()> onTimeout) {
  const auto period = std::chrono::milliseconds(std::max(periodMs, 0));
  timers_[next_] = Timer{period, Clock::now() + period, std::move(onTimeout)};
  return next_++;
}

void PollEventLoop::StopTimer(Id timer) { timers_.erase(timer); }

EventLoop::Id PollEventLoop::WatchSocket(int fd, unsigned events,
                                         std::function<void(unsigned)> onReady) {
  watches_[next_] = Watch{fd, events, std::move(onReady)};
  return next_++;
}

void PollEventLoop::ChangeWatch(Id watch, unsigned events) {
  if (auto found = watches_.find(watch); found != watches_.end()) found->second.events = events;
}

void PollEventLoop::StopWatch(Id watch) { watches_.erase(watch); }

void PollEventLoop::Post(std::function<void()> call) { posted_.push_back(std::move(call)); }

bool PollEventLoop::RunOnce(int maxWaitMs) {
  // The calls posted so far; those they post wait for the next turn.
  for (std::size_t count = posted_.size(); count > 0 && !posted_.empty(); --count) {
    std::function<void()> call = std::move(posted_.front());
    posted_.pop_front();
    call();
  }
  if (timers_.empty() && watches_.empty() && posted_.empty()) return false;

  int wait = posted_.empty() ? std::max(maxWaitMs, 0) : 0;
  const Clock::time_point now = Clock::now();
  for (const auto& [id, timer] : timers_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(timer.due - now);
    wait = std::min(wait, static_cast<int>(std::max<long long>(left.count(), 0)));
  }
  std::vector<pollfd> fds;
  std::vector<Id> ids;
  for (const auto& [id, watch] : watches_) {
    short events = 0;
    if ((watch.events & kReadable) != 0) events |= POLLIN;
    if ((watch.events & kWritable) != 0) events |= POLLOUT;
    if (events == 0) continue;
    fds.push_back({watch.fd, events, 0});
    ids.push_back(id);
  }
  if (::poll(fds.data(), fds.size(), wait) > 0) {
    for (std::size_t i = 0; i < fds.size(); ++i) {
      unsigned ready = 0;
      // An error or hang-up is reported as readiness: the read or write then says what it is.
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) ready |= kReadable;
      if ((fds[i].revents & (POLLOUT | POLLERR)) != 0) ready |= kWritable;
      const auto found = watches_.find(ids[i]);  // an earlier callback may have stopped it
      if (found == watches_.end()) continue;
      ready &= found->second.events;
      if (ready == 0) continue;
      std::function<void(unsigned)> onReady = found->second.onReady;
      onReady(ready);
    }
  }
  std::vector<Id> due;
  const Clock::time_point after = Clock::now();
  for (const auto& [id, timer] : timers_)
    if (timer.due <= after) due.push_back(id);
  for (Id id : due) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) continue;
    found->second.due = after + found->second.period;
    std::function<void()> onTimeout = found->second.onTimeout;
    onTimeout();
  }
  return true;
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done, int maxMs) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(maxMs);
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0 || !RunOnce(static_cast<int>(left))) return done();
  }
  return true;
}

}  // namespace meridiana
