#pragma once
// What every EventLoop must do, checked the same way for the poll() loop and the Qt one: posted
// calls in order on a later turn, a repeating timer that stops itself, socket readiness with a
// watch that changes and ends itself. runUntil turns the loop until done() or the time is up.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "online/event_loop.h"

namespace meridiana::test {

using RunUntil = std::function<bool(const std::function<bool()>& done, int maxMs)>;

inline void CheckEventLoop(EventLoop& loop, const RunUntil& runUntil) {
  std::vector<std::string> order;
  loop.Post([&] {
    order.push_back("first");
    loop.Post([&] { order.push_back("third"); });
  });
  loop.Post([&] { order.push_back("second"); });
  EXPECT_TRUE(order.empty());  // not before the loop turns
  ASSERT_TRUE(runUntil([&] { return order.size() == 3; }, 2000));
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "third"}));

  int ticks = 0;
  EventLoop::Id timer = 0;
  timer = loop.StartTimer(5, [&] {
    if (++ticks == 3) loop.StopTimer(timer);
  });
  ASSERT_TRUE(runUntil([&] { return ticks == 3; }, 3000));
  runUntil([] { return false; }, 60);
  EXPECT_EQ(ticks, 3);  // stopped in its own callback

  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  std::vector<unsigned> seen;
  EventLoop::Id watch = 0;
  watch = loop.WatchSocket(fds[0], EventLoop::kReadable, [&](unsigned ready) {
    seen.push_back(ready);
    if (ready == EventLoop::kReadable) {
      char byte = 0;
      EXPECT_EQ(::read(fds[0], &byte, 1), 1);
      loop.ChangeWatch(watch, EventLoop::kWritable);
    } else {
      loop.StopWatch(watch);
    }
  });
  runUntil([] { return false; }, 30);
  EXPECT_TRUE(seen.empty());  // nothing to read yet
  ASSERT_EQ(::write(fds[1], "x", 1), 1);
  ASSERT_TRUE(runUntil([&] { return seen.size() == 2; }, 2000));
  runUntil([] { return false; }, 30);
  EXPECT_EQ(seen, (std::vector<unsigned>{EventLoop::kReadable, EventLoop::kWritable}));
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace meridiana::test
