#include "service/quake_source.h"

#include "service/data_folder.h"
#include "service/list_source.h"
#include "service/quake_ingest.h"

namespace meridiana::service {

std::unique_ptr<LiveSource> MakeQuakeSource(std::string url, std::chrono::seconds cadence,
                                            std::chrono::steady_clock::duration deadline) {
  ListFeed feed;
  feed.kind = "quakes";
  feed.file = kQuakesFile;
  feed.maxBytes = kMaxQuakeFeedBytes;
  feed.write = [](std::string_view body, const std::function<void(Provenance&)>& settle,
                  const std::string& dataFolder, std::string* message) {
    std::string error;
    const std::optional<UsgsFeed> usgs = ReadUsgsFeed(body, &error);
    if (!usgs) {
      *message = "bad feed: " + error;
      return false;
    }
    Provenance provenance = LiveProvenance(*usgs);
    settle(provenance);
    return WriteQuakeList(*usgs, provenance, dataFolder, message);
  };
  return MakeListSource(std::move(feed), std::move(url), cadence, deadline);
}

}  // namespace meridiana::service
