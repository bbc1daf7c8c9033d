#include "service/live_refresher.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace meridiana::service {
namespace {

using SteadyClock = std::chrono::steady_clock;
using SystemClock = std::chrono::system_clock;

// A request that starts a refresh waits this long for it, so that a quick answer (or a quick
// failure) is already in its reply.
constexpr std::chrono::seconds kStartGrace{2};
constexpr std::chrono::seconds kFirstBackOff{60};
constexpr std::chrono::seconds kLongestBackOff{3600};

// One minute (or the cadence, when the source publishes more often), doubling per failure up
// to an hour.
std::chrono::seconds BackOff(int failures, std::chrono::seconds cadence) {
  std::chrono::seconds delay = std::min(kFirstBackOff, std::max(cadence, std::chrono::seconds(1)));
  for (int i = 1; i < failures && delay < kLongestBackOff; ++i) delay *= 2;
  return std::min(delay, kLongestBackOff);
}

}  // namespace

struct LiveRefresher::Shared {
  struct Entry {
    std::unique_ptr<LiveSource> source;
    std::string kind;
    std::chrono::seconds cadence{0};
    bool known = false;  // heldSince read from the folder
    std::optional<SystemClock::time_point> heldSince;
    bool running = false;
    unsigned long finishedRuns = 0;
    int failures = 0;
    SteadyClock::time_point retryAt{};
    std::optional<SteadyClock::time_point> lastEnded;
    std::thread thread;
  };

  std::string dataFolder;
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<std::unique_ptr<Entry>> entries;
  std::stop_source stop;
  bool stopped = false;
  int active = 0;

  // Under mutex.
  void Start(Entry& entry, const std::shared_ptr<Shared>& self) {
    if (entry.thread.joinable()) entry.thread.join();  // the last run, already at its end
    entry.running = true;
    ++active;
    entry.thread = std::thread([self, &entry, token = stop.get_token()] {
      std::string message;
      const bool ok = entry.source->Refresh(self->dataFolder, token, &message);
      std::optional<SystemClock::time_point> held;
      if (!token.stop_requested()) {
        if (ok) {
          held = entry.source->HeldSince(self->dataFolder);
        } else {
          entry.source->MarkFailed(self->dataFolder, SystemClock::now(), message);
        }
      }
      std::lock_guard lock(self->mutex);
      if (!token.stop_requested()) {
        if (ok) {
          entry.failures = 0;
          entry.heldSince = held;
          entry.retryAt = {};
          std::fprintf(stderr, "meridiana-service: %s refreshed: %s\n", entry.kind.c_str(),
                       message.c_str());
        } else {
          ++entry.failures;
          const std::chrono::seconds delay = BackOff(entry.failures, entry.cadence);
          entry.retryAt = SteadyClock::now() + delay;
          std::fprintf(stderr, "meridiana-service: %s refresh failed: %s (next try in %lld s)\n",
                       entry.kind.c_str(), message.c_str(), static_cast<long long>(delay.count()));
        }
      }
      entry.running = false;
      entry.lastEnded = SteadyClock::now();
      ++entry.finishedRuns;
      --self->active;
      self->wake.notify_all();
    });
  }
};

LiveRefresher::LiveRefresher(std::string dataFolder) : shared_(std::make_shared<Shared>()) {
  shared_->dataFolder = std::move(dataFolder);
}

LiveRefresher::~LiveRefresher() { Stop(); }

void LiveRefresher::Add(std::unique_ptr<LiveSource> source) {
  auto entry = std::make_unique<Shared::Entry>();
  entry->kind = source->Kind();
  entry->cadence = source->Cadence();
  entry->source = std::move(source);
  std::lock_guard lock(shared_->mutex);
  shared_->entries.push_back(std::move(entry));
}

void LiveRefresher::BeforeReply(const std::string& kind, bool asked) {
  std::unique_lock lock(shared_->mutex);
  for (const auto& pointer : shared_->entries) {
    Shared::Entry& entry = *pointer;
    if (shared_->stopped || entry.kind != kind) continue;
    if (!entry.known) {
      entry.heldSince = entry.source->HeldSince(shared_->dataFolder);
      entry.known = true;
    }
    const bool onlySample = !entry.heldSince;
    const bool askedAndDue =
        asked && (!entry.lastEnded || SteadyClock::now() - *entry.lastEnded >= kAskedRefreshGap);
    if (!onlySample && !askedAndDue && SystemClock::now() - *entry.heldSince < entry.cadence)
      continue;
    SteadyClock::time_point waitUntil = SteadyClock::now();
    if (!entry.running) {
      if (SteadyClock::now() < entry.retryAt) continue;  // backing off
      shared_->Start(entry, shared_);
      waitUntil += onlySample ? kFirstRefreshWait : kStartGrace;
    } else if (onlySample) {
      waitUntil += kFirstRefreshWait;
    } else {
      continue;  // stale while it revalidates
    }
    const unsigned long awaited = entry.finishedRuns + 1;
    shared_->wake.wait_until(lock, waitUntil,
                             [&] { return shared_->stopped || entry.finishedRuns >= awaited; });
  }
}

void LiveRefresher::Stop() {
  std::unique_lock lock(shared_->mutex);
  if (shared_->stopped) return;
  shared_->stopped = true;
  shared_->stop.request_stop();
  shared_->wake.notify_all();
  shared_->wake.wait_for(lock, std::chrono::seconds(1), [this] { return shared_->active == 0; });
  for (const auto& entry : shared_->entries) {
    if (!entry->thread.joinable()) continue;
    // A run stuck where a stop cannot reach ends on its own; it holds the shared state alive
    // and leaves the folder alone.
    if (entry->running) {
      entry->thread.detach();
    } else {
      entry->thread.join();
    }
  }
}

}  // namespace meridiana::service
