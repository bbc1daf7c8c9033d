#include "service/quake_fetcher.h"

#include <httplib.h>

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

bool FetchQuakesOnce(const FeedUrl& url, const std::string& dataFolder, std::string* message) {
  httplib::Client client(url.schemeHostPort);
  if (!client.is_valid()) {
    *message = "cannot fetch from " + url.schemeHostPort;
    return false;
  }
  client.set_connection_timeout(10, 0);
  client.set_read_timeout(30, 0);
  client.set_follow_location(true);
  std::string body;
  int status = 0;
  bool tooLarge = false;
  const httplib::Result result = client.Get(
      url.pathAndQuery,
      [&status](const httplib::Response& response) {
        status = response.status;
        return status == 200;
      },
      [&body, &tooLarge](const char* data, std::size_t length) {
        if (body.size() + length > kMaxFetchedFeedBytes) {
          tooLarge = true;
          return false;
        }
        body.append(data, length);
        return true;
      });
  const std::string where = url.schemeHostPort + url.pathAndQuery;
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

QuakeFetcher::QuakeFetcher(FeedUrl url, std::chrono::milliseconds every, std::string dataFolder)
    : url_(std::move(url)), every_(every), dataFolder_(std::move(dataFolder)) {}

QuakeFetcher::~QuakeFetcher() { Stop(); }

void QuakeFetcher::Start() {
  thread_ = std::thread([this] { Loop(); });
}

void QuakeFetcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void QuakeFetcher::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    std::string message;
    const bool ok = FetchQuakesOnce(url_, dataFolder_, &message);
    // Standard output carries only the listening line; this is the service's log.
    std::fprintf(stderr, "meridiana-service: fetch-quakes%s: %s\n", ok ? "" : " failed",
                 message.c_str());
    lock.lock();
    wake_.wait_for(lock, every_, [this] { return stopping_; });
  }
}

}  // namespace meridiana::service
