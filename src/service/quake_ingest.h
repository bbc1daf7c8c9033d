#pragma once
// The earthquake list from a USGS GeoJSON summary feed ("all earthquakes, past week"): the
// events of the seven days before the feed's own generation time, newest first.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/reply_documents.h"

namespace meridiana::service {

// Feeds are read as a stream, so memory grows with the events kept, not with the file; these
// bound what a hostile or broken feed can cost.
inline constexpr std::size_t kMaxFeedBytes = std::size_t{512} << 20;
inline constexpr std::size_t kMaxFeedFeatures = 2'000'000;
inline constexpr int kMaxFeedNesting = 64;
// A real week holds a few thousand events; the list stays far below what the program downloads.
inline constexpr std::size_t kMaxListedQuakes = 100'000;
inline constexpr long long kWeekMs = 7LL * 24 * 3600 * 1000;

struct UsgsFeed {
  long long generatedMs = 0;       // metadata.generated
  std::string title;               // metadata.title, at most 200 bytes
  std::size_t features = 0;        // every feature met
  std::vector<QuakeEntry> events;  // the usable ones, in feed order
};

// The feed's usable events: properties.time (ms), a finite properties.mag, and
// geometry.coordinates [lon, lat, depth] with lon in [-180, 180] and lat in [-90, 90] (depth 0
// when absent). Other features are counted and skipped. None, with the reason in *error, for
// text that is not JSON, a document without a features list or metadata.generated, or one
// beyond the bounds above.
std::optional<UsgsFeed> ReadUsgsFeed(std::string_view text, std::string* error);
std::optional<UsgsFeed> ReadUsgsFeedFile(const char* path, std::string* error);

// The events from generatedMs - kWeekMs to generatedMs inclusive, newest first (events of the
// same time in feed order), at most kMaxListedQuakes.
std::vector<QuakeEntry> SelectWeek(const UsgsFeed& feed);

// The first word of the feed's title ("USGS"), at most 32 bytes; empty without a title.
std::string FeedSourceName(const UsgsFeed& feed);
// Of a live feed: its source name, updated = its generation time.
Provenance LiveProvenance(const UsgsFeed& feed);
// Of the labelled sample: source="Sample" sample="1".
Provenance SampleProvenance();

// Writes the feed's week as quakes.xml into the data folder (whole or not at all), preparing
// the folder first. False, with one line in *message, when nothing could be written; the
// folder's old list then stays. On success *message says what was kept.
bool WriteQuakeList(const UsgsFeed& feed, const Provenance& provenance,
                    const std::string& dataFolder, std::string* message);

// Reads the feed and writes it as WriteQuakeList does, as live data, or as the sample. False
// also for a bad feed.
bool IngestQuakesText(std::string_view text, const std::string& dataFolder, std::string* message);
bool IngestQuakesFile(const char* feedPath, const std::string& dataFolder, std::string* message,
                      bool sample = false);

}  // namespace meridiana::service
