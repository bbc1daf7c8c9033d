#include "service/quake_fetcher.h"

#include <httplib.h>

#include <atomic>
#include <cstdio>

#include "service/quake_ingest.h"

namespace meridiana::service {

bool ParseFeedUrl(const std::string& url, FeedUrl* out) {
  std::size_t hostStart = 0;
  if (url.rfind("http://", 0) == 0) {
    hostStart = 7;
  } else if (url.rfind("https://", 0) == 0) {
    hostStart = 8;
  } else {
    return false;
  }
  const std::size_t pathStart = url.find('/', hostStart);
  const std::string host = url.substr(hostStart, pathStart - hostStart);
  if (host.empty() || host.find_first_of("@ \t\r\n?#") != std::string::npos) return false;
  out->schemeHostPort = url.substr(0, pathStart);
  out->pathAndQuery = pathStart == std::string::npos ? "/" : url.substr(pathStart);
  if (out->pathAndQuery.find_first_of(" \t\r\n") != std::string::npos) return false;
  return true;
}

bool FetchQuakesOnce(const FeedUrl& url, const std::string& dataFolder, std::string* message,
                     std::stop_token stop, std::chrono::steady_clock::duration deadline) {
  httplib::Client client(url.schemeHostPort);
  if (!client.is_valid()) {
    *message = "cannot fetch from " + url.schemeHostPort;
    return false;
  }
  client.set_connection_timeout(10, 0);
  client.set_read_timeout(30, 0);
  client.set_follow_location(true);

  // The client's time-outs are per read; a watchdog ends the whole download at its deadline or
  // at a stop by shutting the client's socket, which wakes any read or write.
  const auto until = std::chrono::steady_clock::now() + deadline;
  std::mutex mutex;
  std::condition_variable_any wake;
  bool done = false;
  std::atomic<bool> overdue{false};
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (wake.wait_until(lock, stop, until, [&] { return done; })) return;
    overdue = !stop.stop_requested();
    // The socket may not exist yet (still connecting): ask again until the download has ended.
    while (!done) {
      lock.unlock();
      client.stop();
      lock.lock();
      wake.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; });
    }
  });
  const auto ended = [&] {
    return stop.stop_requested() || std::chrono::steady_clock::now() >= until;
  };

  std::string body;
  int status = 0;
  bool tooLarge = false;
  const httplib::Result result = client.Get(
      url.pathAndQuery,
      [&status](const httplib::Response& response) {
        status = response.status;
        return status == 200;
      },
      [&body, &tooLarge, &ended](const char* data, std::size_t length) {
        if (ended()) return false;
        if (body.size() + length > kMaxFetchedFeedBytes) {
          tooLarge = true;
          return false;
        }
        body.append(data, length);
        return true;
      });
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  wake.notify_all();
  watchdog.join();

  const std::string where = url.schemeHostPort + url.pathAndQuery;
  if (stop.stop_requested()) {
    *message = where + ": stopped";
    return false;
  }
  if (overdue || std::chrono::steady_clock::now() >= until) {
    *message = where + ": not downloaded within " +
               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(deadline).count()) +
               " s";
    return false;
  }
  if (tooLarge) {
    *message =
        where + ": the feed is larger than " + std::to_string(kMaxFetchedFeedBytes >> 20) + " MiB";
    return false;
  }
  if (status != 0 && status != 200) {
    *message = where + ": status " + std::to_string(status);
    return false;
  }
  if (!result) {
    *message = where + ": " + httplib::to_string(result.error());
    return false;
  }
  if (!IngestQuakesText(body, dataFolder, message)) {
    *message = where + ": " + *message;
    return false;
  }
  return true;
}

// What the fetching thread uses lives here, so that a thread left to end on its own never
// reaches into a fetcher that is gone.
struct QuakeFetcher::Shared {
  FeedUrl url;
  std::chrono::milliseconds every;
  std::string dataFolder;
  std::stop_source stop;
  std::mutex mutex;
  std::condition_variable_any wake;
  bool finished = false;
};

QuakeFetcher::QuakeFetcher(FeedUrl url, std::chrono::milliseconds every, std::string dataFolder)
    : shared_(std::make_shared<Shared>()) {
  shared_->url = std::move(url);
  shared_->every = every;
  shared_->dataFolder = std::move(dataFolder);
}

QuakeFetcher::~QuakeFetcher() { Stop(); }

void QuakeFetcher::Start() {
  thread_ = std::thread([shared = shared_] {
    const std::stop_token stop = shared->stop.get_token();
    while (!stop.stop_requested()) {
      std::string message;
      const bool ok = FetchQuakesOnce(shared->url, shared->dataFolder, &message, stop);
      if (stop.stop_requested()) break;
      // Standard output carries only the listening line; this is the service's log.
      std::fprintf(stderr, "meridiana-service: fetch-quakes%s: %s\n", ok ? "" : " failed",
                   message.c_str());
      std::unique_lock lock(shared->mutex);
      shared->wake.wait_for(lock, stop, shared->every, [] { return false; });
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->wake.notify_all();
  });
}

void QuakeFetcher::Stop() {
  shared_->stop.request_stop();
  if (!thread_.joinable()) return;
  bool finished = false;
  {
    std::unique_lock lock(shared_->mutex);
    finished =
        shared_->wake.wait_for(lock, std::chrono::seconds(1), [this] { return shared_->finished; });
  }
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

}  // namespace meridiana::service
