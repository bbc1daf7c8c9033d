#include "service/aurora_ingest.h"

#include <new>

#include "foundation/file_util.h"
#include "online/aurora_feed.h"
#include "service/data_folder.h"
#include "service/data_folder_lock.h"
#include "service/list_source.h"
#include "service/quake_ingest.h"

namespace meridiana::service {

std::string AuroraDocument(const AuroraGrid& grid, const Provenance& provenance) {
  const std::vector<AuroraPoint> points = AuroraPoints(grid);
  std::string out(kXmlDeclaration);
  out.reserve(out.size() + 32 * points.size() + 300);
  out += "<AURORA";
  out += ProvenanceAttributes(provenance);
  out += ">\n<FORECAST";
  if (grid.observed != 0) out += " observed=\"" + IsoTimeText(grid.observed) + "\"";
  out += " forecast=\"" + IsoTimeText(grid.forecast) + "\"/>\n";
  for (const AuroraPoint& point : points) {
    out += "<P lon=\"" + std::to_string(point.longitude) + "\" lat=\"" +
           std::to_string(point.latitude) + "\" p=\"" + std::to_string(point.percent) + "\"/>\n";
  }
  out += "</AURORA>\n";
  return out;
}

Provenance AuroraLiveProvenance(const AuroraGrid& grid) {
  Provenance provenance;
  provenance.source = "NOAA SWPC";
  provenance.updated = grid.observed != 0 ? grid.observed : grid.forecast;
  return provenance;
}

bool WriteAuroraList(const AuroraGrid& grid, const Provenance& provenance,
                     const std::string& dataFolder, std::string* message) {
  if (!WriteListUnderLock(
          dataFolder, kAuroraFile, [&] { return AuroraDocument(grid, provenance); }, message))
    return false;
  *message = std::to_string(AuroraPoints(grid).size()) + " points of 1 % or more, forecast for " +
             QuakeTimeText(grid.forecast * 1000) + " UTC";
  return true;
}

bool IngestAuroraFile(const char* path, const std::string& dataFolder, std::string* message,
                      bool sample) {
  std::string error;
  const std::optional<AuroraGrid> grid = ReadOvationForecastFile(path, &error);
  if (!grid) {
    *message = std::string("bad forecast ") + path + ": " + error;
    return false;
  }
  return WriteAuroraList(*grid, sample ? SampleProvenance() : AuroraLiveProvenance(*grid),
                         dataFolder, message);
}

std::unique_ptr<LiveSource> MakeAuroraSource(std::string url, std::chrono::seconds cadence,
                                             std::chrono::steady_clock::duration deadline) {
  ListFeed feed;
  feed.kind = "aurora";
  feed.file = kAuroraFile;
  feed.maxBytes = kMaxOvationBytes;
  feed.write = [](std::string_view body, const std::function<void(Provenance&)>& settle,
                  const std::string& dataFolder, std::string* message) {
    std::string error;
    const std::optional<AuroraGrid> grid = ReadOvationForecast(body, &error);
    if (!grid) {
      *message = "bad forecast: " + error;
      return false;
    }
    Provenance provenance = AuroraLiveProvenance(*grid);
    settle(provenance);
    return WriteAuroraList(*grid, provenance, dataFolder, message);
  };
  return MakeListSource(std::move(feed), std::move(url), cadence, deadline);
}

}  // namespace meridiana::service
