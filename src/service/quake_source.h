#pragma once
// The earthquake list kept live from a USGS GeoJSON summary feed: downloaded when the refresher
// finds it due, conditionally when the feed's ETag or Last-Modified are known, and written into
// quakes.xml with the feed's name and generation time on the root.

#include <chrono>
#include <memory>
#include <string>

#include "service/live_source.h"

namespace meridiana::service {

// "Magnitude 2.5 and above, past week", which USGS regenerates every minute.
inline constexpr const char* kDefaultQuakeFeed =
    "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/2.5_week.geojson";
inline constexpr std::chrono::minutes kDefaultQuakeCadence{5};
// The "all earthquakes, past week" feed is a few MiB; a feed larger than this is refused.
inline constexpr std::size_t kMaxQuakeFeedBytes = std::size_t{64} << 20;
// A download that has not ended by then is given up, however steadily its bytes come.
inline constexpr std::chrono::seconds kQuakeDownloadDeadline{120};

std::unique_ptr<LiveSource> MakeQuakeSource(
    std::string url, std::chrono::seconds cadence,
    std::chrono::steady_clock::duration deadline = kQuakeDownloadDeadline);

}  // namespace meridiana::service
