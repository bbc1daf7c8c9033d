#pragma once
// Keeps the earthquake list current: downloads a USGS GeoJSON feed at start and then every
// interval, and ingests it into the data folder. A failed download or a bad feed leaves the list
// as it was and is reported on standard error; the next round tries again.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace meridiana::service {

// A feed larger than this is not downloaded; the USGS week is a few MiB.
inline constexpr std::size_t kMaxFetchedFeedBytes = std::size_t{64} << 20;
// A download that has not ended by then is given up, however steadily its bytes come.
inline constexpr std::chrono::seconds kFetchDeadline{120};

struct FeedUrl {
  std::string schemeHostPort;  // "http://127.0.0.1:8000"
  std::string pathAndQuery;    // "/feed.geojson"
};

// An "http://" or "https://" URL split for the client; false for anything else.
bool ParseFeedUrl(const std::string& url, FeedUrl* out);

// One download and ingest; false with the reason in *message. A stop request ends the download
// at once, and nothing is ingested then.
bool FetchQuakesOnce(const FeedUrl& url, const std::string& dataFolder, std::string* message,
                     std::stop_token stop = {},
                     std::chrono::steady_clock::duration deadline = kFetchDeadline);

class QuakeFetcher {
 public:
  QuakeFetcher(FeedUrl url, std::chrono::milliseconds every, std::string dataFolder);
  ~QuakeFetcher();  // stops
  QuakeFetcher(const QuakeFetcher&) = delete;
  QuakeFetcher& operator=(const QuakeFetcher&) = delete;

  void Start();
  // Ends the waiting between rounds and a download under way; returns within about a second
  // even when the download is stuck where it cannot be interrupted (a name lookup), leaving it
  // to end on its own without touching the data folder.
  void Stop();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace meridiana::service
