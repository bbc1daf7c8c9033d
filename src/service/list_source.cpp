#include "service/list_source.h"

#include <mutex>
#include <optional>

#include "service/data_folder.h"
#include "service/list_provenance.h"
#include "service/upstream_download.h"

namespace meridiana::service {
namespace {

using SystemClock = std::chrono::system_clock;

std::string HostOf(const std::string& url) {
  const std::size_t start = url.find("://");
  if (start == std::string::npos) return url;
  return url.substr(start + 3, url.find_first_of("/?#", start + 3) - start - 3);
}

class ListSource final : public LiveSource {
 public:
  ListSource(ListFeed feed, std::string url, std::chrono::seconds cadence,
             std::chrono::steady_clock::duration deadline)
      : feed_(std::move(feed)), url_(std::move(url)), cadence_(cadence), deadline_(deadline) {}

  std::string Kind() const override { return feed_.kind; }
  std::chrono::seconds Cadence() const override { return cadence_; }

  std::string Describe() const override {
    const long long seconds = cadence_.count();
    return "live " + feed_.kind + ": " + url_ + " every " +
           (seconds % 60 == 0 ? std::to_string(seconds / 60) + " min"
                              : std::to_string(seconds) + " s");
  }

  std::optional<SystemClock::time_point> HeldSince(const std::string& dataFolder) const override {
    const std::optional<Provenance> held = ReadListProvenance(InFolder(dataFolder, feed_.file));
    if (!held || held->sample || held->updated == 0) return std::nullopt;
    // Never later than now, so that a list dated ahead still comes due on the cadence.
    const SystemClock::time_point stated{std::chrono::seconds(held->updated)};
    std::optional<SystemClock::time_point> since = std::min(stated, SystemClock::now());
    // A feed that did not change since still counts as fetched when it was last asked for.
    std::lock_guard lock(mutex_);
    if (confirmedAt_ && *confirmedAt_ > *since) since = confirmedAt_;
    return since;
  }

  bool Refresh(const std::string& dataFolder, std::stop_token stop, std::string* message) override {
    const std::string path = InFolder(dataFolder, feed_.file);
    const std::optional<Provenance> held = ReadListProvenance(path);
    DownloadRequest request;
    request.url = url_;
    request.maxBytes = feed_.maxBytes;
    request.deadline = deadline_;
    request.stop = stop;
    if (held && !held->sample) {
      std::lock_guard lock(mutex_);
      request.ifNoneMatch = etag_;
      request.ifModifiedSince = lastModified_;
    }
    DownloadResult download = Download(request);
    switch (download.outcome) {
      case DownloadResult::Outcome::kFailed:
        *message = download.problem;
        return false;
      case DownloadResult::Outcome::kNotModified: {
        // Still a success: a failure noted on the list goes.
        if (held && (held->failed != 0 || !held->problem.empty()))
          RewriteListProvenance(path, [](Provenance& p) {
            p.failed = 0;
            p.problem.clear();
          });
        std::lock_guard lock(mutex_);
        confirmedAt_ = SystemClock::now();
        *message = url_ + ": not modified";
        return true;
      }
      case DownloadResult::Outcome::kBody:
        break;
    }
    if (stop.stop_requested()) {
      *message = url_ + ": stopped";
      return false;
    }
    const long long present = ReplyPresent(download);
    const auto settle = [&](Provenance& provenance) {
      // A feed generated "in the future" would keep the list from being due again for as long.
      if (provenance.updated > present + kClockSkewSeconds) {
        provenance.claimed = provenance.updated;
        provenance.updated = present;
      }
      if (provenance.source.empty()) provenance.source = HostOf(url_);
    };
    std::string error;
    if (!feed_.write(download.body, settle, dataFolder, &error)) {
      *message = url_ + ": " + error;
      return false;
    }
    std::lock_guard lock(mutex_);
    etag_ = download.etag;
    lastModified_ = download.lastModified;
    confirmedAt_ = SystemClock::now();
    *message = url_ + ": " + error;
    return true;
  }

  void MarkFailed(const std::string& dataFolder, SystemClock::time_point when,
                  const std::string& problem) override {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    RewriteListProvenance(InFolder(dataFolder, feed_.file), [&](Provenance& p) {
      p.failed = seconds;
      p.problem = problem;
    });
  }

 private:
  const ListFeed feed_;
  const std::string url_;
  const std::chrono::seconds cadence_;
  const std::chrono::steady_clock::duration deadline_;
  mutable std::mutex mutex_;
  // Of the list last written, for conditional requests; kept in memory only.
  std::string etag_;
  std::string lastModified_;
  std::optional<SystemClock::time_point> confirmedAt_;
};

}  // namespace

std::unique_ptr<LiveSource> MakeListSource(ListFeed feed, std::string url,
                                           std::chrono::seconds cadence,
                                           std::chrono::steady_clock::duration deadline) {
  return std::make_unique<ListSource>(std::move(feed), std::move(url), cadence, deadline);
}

}  // namespace meridiana::service
