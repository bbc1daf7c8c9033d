// The refresher's decisions with a source of the test's own: fresh data is left alone, a stale
// list is refreshed once however many ask, failures back off, and who waits for how long.

#include "service/live_refresher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace meridiana::service {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using SystemClock = std::chrono::system_clock;

// Refreshes take `takes` and succeed when `succeed`; what the refresher did is counted.
struct Script {
  std::atomic<int> refreshes{0};
  std::atomic<int> marked{0};
  std::atomic<bool> succeed{true};
  std::atomic<int> takesMs{0};
  std::atomic<bool> stuck{false};  // deaf to a stop
  std::atomic<int> finished{0};
  std::optional<SystemClock::time_point> held;  // what HeldSince reports
  std::mutex mutex;
};

class ScriptedSource final : public LiveSource {
 public:
  ScriptedSource(std::shared_ptr<Script> script, std::chrono::seconds cadence)
      : script_(std::move(script)), cadence_(cadence) {}
  std::string Kind() const override { return "quakes"; }
  std::chrono::seconds Cadence() const override { return cadence_; }
  std::string Describe() const override { return "scripted"; }
  std::optional<SystemClock::time_point> HeldSince(const std::string&) const override {
    std::lock_guard lock(script_->mutex);
    return script_->held;
  }
  bool Refresh(const std::string&, std::stop_token stop, std::string* message) override {
    ++script_->refreshes;
    const auto until = Clock::now() + std::chrono::milliseconds(script_->takesMs.load());
    while (Clock::now() < until && (script_->stuck || !stop.stop_requested()))
      std::this_thread::sleep_for(5ms);
    ++script_->finished;
    *message = "scripted";
    if (!script_->succeed) return false;
    std::lock_guard lock(script_->mutex);
    script_->held = SystemClock::now();
    return true;
  }
  void MarkFailed(const std::string&, SystemClock::time_point, const std::string&) override {
    ++script_->marked;
  }

 private:
  std::shared_ptr<Script> script_;
  std::chrono::seconds cadence_;
};

struct Fixture {
  explicit Fixture(std::chrono::seconds cadence, std::optional<SystemClock::time_point> held) {
    script->held = held;
    refresher.Add(std::make_unique<ScriptedSource>(script, cadence));
  }
  // How long BeforeReply("quakes") kept the request.
  Clock::duration Ask(bool asked = false) {
    const auto start = Clock::now();
    refresher.BeforeReply("quakes", asked);
    return Clock::now() - start;
  }
  std::shared_ptr<Script> script = std::make_shared<Script>();
  LiveRefresher refresher{"unused"};
};

TEST(LiveRefresher, RefreshesOnlyWhatIsStaleAndOnlyOnce) {
  Fixture fresh(60s, SystemClock::now());
  fresh.Ask();
  fresh.refresher.BeforeReply("clouds");  // another kind
  EXPECT_EQ(fresh.script->refreshes, 0);

  // Stale and slow: two requests at once start one refresh; the starter waits out its grace,
  // the other is answered at once with what is held.
  Fixture stale(60s, SystemClock::now() - 61s);
  stale.script->takesMs = 4000;
  std::atomic<long long> starterMs{0};
  std::thread first([&] {
    starterMs = std::chrono::duration_cast<std::chrono::milliseconds>(stale.Ask()).count();
  });
  while (stale.script->refreshes == 0) std::this_thread::sleep_for(5ms);
  EXPECT_LT(stale.Ask(), 500ms);
  first.join();
  EXPECT_GE(starterMs, 1900);
  EXPECT_LT(starterMs, 3500);
  EXPECT_EQ(stale.script->refreshes, 1);
}

TEST(LiveRefresher, AQuickRefreshIsInTheReplyThatStartedIt) {
  Fixture stale(60s, SystemClock::now() - 61s);
  stale.script->takesMs = 200;
  EXPECT_LT(stale.Ask(), 1500ms);
  EXPECT_EQ(stale.script->refreshes, 1);
  stale.Ask();  // fresh now
  EXPECT_EQ(stale.script->refreshes, 1);
  // The user's Refresh revalidates what is still fresh, but not again within the gap.
  Fixture fresh(60s, SystemClock::now());
  fresh.script->takesMs = 10;
  fresh.Ask(/*asked=*/true);
  fresh.Ask(/*asked=*/true);
  EXPECT_EQ(fresh.script->refreshes, 1);
}

// With only the sample held, a request waits for the first refresh up to ten seconds, also
// when another request started it.
TEST(LiveRefresher, OnlyTheSampleWaitsForTheFirstRefresh) {
  Fixture sample(60s, std::nullopt);
  sample.script->takesMs = 3000;
  std::thread first([&] { sample.Ask(); });
  while (sample.script->refreshes == 0) std::this_thread::sleep_for(5ms);
  const Clock::duration second = sample.Ask();
  first.join();
  EXPECT_GT(second, 2500ms);
  EXPECT_LT(second, 5s);
  EXPECT_EQ(sample.script->refreshes, 1);
}

// A failed refresh is marked on the list, and the next is tried only after the back-off:
// the cadence here (1 s, shorter than the minute), then twice that.
TEST(LiveRefresher, FailuresBackOff) {
  Fixture failing(1s, SystemClock::now() - 2s);
  failing.script->succeed = false;
  failing.Ask();
  EXPECT_EQ(failing.script->refreshes, 1);
  EXPECT_EQ(failing.script->marked, 1);
  failing.Ask();
  EXPECT_EQ(failing.script->refreshes, 1);
  std::this_thread::sleep_for(1100ms);
  failing.Ask();
  EXPECT_EQ(failing.script->refreshes, 2);
  std::this_thread::sleep_for(1100ms);
  failing.Ask();
  EXPECT_EQ(failing.script->refreshes, 2);  // two seconds now
  std::this_thread::sleep_for(1000ms);
  failing.script->succeed = true;
  failing.Ask();
  EXPECT_EQ(failing.script->refreshes, 3);
  EXPECT_EQ(failing.script->marked, 2);
}

// Stop releases a waiting request at once, and a refresh that ignores it does not hold Stop
// for more than about a second.
TEST(LiveRefresher, StopReleasesWaitersAndDoesNotWaitForAStuckRefresh) {
  Fixture sample(60s, std::nullopt);
  sample.script->takesMs = 3000;
  sample.script->stuck = true;
  std::atomic<bool> answered{false};
  std::thread waiting([&] {
    sample.Ask();
    answered = true;
  });
  while (sample.script->refreshes == 0) std::this_thread::sleep_for(5ms);
  const auto stopping = Clock::now();
  sample.refresher.Stop();
  waiting.join();
  EXPECT_LT(Clock::now() - stopping, 1500ms);
  sample.Ask();  // stopped: no new refresh
  EXPECT_EQ(sample.script->refreshes, 1);
  while (sample.script->finished == 0) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(sample.script->marked, 0);  // a stopped refresh leaves the folder alone
}

}  // namespace
}  // namespace meridiana::service
