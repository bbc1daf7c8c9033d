#pragma once
// Keeps the earthquake list current: downloads a USGS GeoJSON feed at start and then every
// interval, and ingests it into the data folder. A failed download or a bad feed leaves the list
// as it was and is reported on standard error; the next round tries again.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace meridiana::service {

// A feed larger than this is not downloaded; the USGS week is a few MiB.
inline constexpr std::size_t kMaxFetchedFeedBytes = std::size_t{64} << 20;

struct FeedUrl {
  std::string schemeHostPort;  // "http://127.0.0.1:8000"
  std::string pathAndQuery;    // "/feed.geojson"
};

// An "http://" or "https://" URL split for the client; false for anything else.
bool ParseFeedUrl(const std::string& url, FeedUrl* out);

// One download and ingest; false with the reason in *message.
bool FetchQuakesOnce(const FeedUrl& url, const std::string& dataFolder, std::string* message);

class QuakeFetcher {
 public:
  QuakeFetcher(FeedUrl url, std::chrono::milliseconds every, std::string dataFolder);
  ~QuakeFetcher();  // stops
  QuakeFetcher(const QuakeFetcher&) = delete;
  QuakeFetcher& operator=(const QuakeFetcher&) = delete;

  void Start();
  // Ends the waiting between rounds; a download under way ends by its own time-outs.
  void Stop();

 private:
  void Loop();

  FeedUrl url_;
  std::chrono::milliseconds every_;
  std::string dataFolder_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace meridiana::service
