#include "online/poll_event_loop.h"

#include <gtest/gtest.h>

#include "support/event_loop_contract.h"

namespace meridiana {
namespace {

TEST(PollEventLoop, KeepsTheEventLoopContract) {
  PollEventLoop loop;
  test::CheckEventLoop(loop, [&](const std::function<bool()>& done, int maxMs) {
    return loop.RunUntil(done, maxMs);
  });
  EXPECT_FALSE(loop.RunOnce(0));  // nothing is left to wait for
}

}  // namespace
}  // namespace meridiana
