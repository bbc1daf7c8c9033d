#pragma once
// Refreshes the data folder from its live sources on demand, not on a clock: a request for the
// earthquakes or the cloud list whose data is older than the source's cadence starts a refresh
// and is answered with what the folder holds (stale while it revalidates); a request that finds
// only the sample waits up to kFirstRefreshWait for the first refresh. A refresh never runs
// twice at once for one source, and a source that failed is tried again only after a back-off
// that doubles from one minute up to an hour. Each refresh logs one line on standard error.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "service/live_source.h"

namespace meridiana::service {

inline constexpr std::chrono::seconds kFirstRefreshWait{10};
inline constexpr std::chrono::seconds kAskedRefreshGap{30};

class LiveRefresher {
 public:
  explicit LiveRefresher(std::string dataFolder);
  ~LiveRefresher();  // Stop()
  LiveRefresher(const LiveRefresher&) = delete;
  LiveRefresher& operator=(const LiveRefresher&) = delete;

  void Add(std::unique_ptr<LiveSource> source);
  // From the service's worker threads, before a request of this kind ("quakes", "clouds") is
  // answered from the folder. A request the user asked for (the program's Refresh) refreshes
  // also what is not stale yet, but not within kAskedRefreshGap of the last refresh, and not
  // while the source backs off after a failure.
  void BeforeReply(const std::string& kind, bool asked = false);
  // Ends every refresh under way; returns within about a second even when a download is stuck
  // where it cannot be interrupted, leaving it to end on its own without touching the folder.
  void Stop();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace meridiana::service
