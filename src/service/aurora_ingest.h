#pragma once
// The aurora list of the data folder (aurora.xml) from an OVATION forecast: its provenance on
// the root, its times on a FORECAST element and one P element per point of the grid that is not
// 0, west to east. The live source downloads the forecast when the refresher finds it due.
//
//   <AURORA source="NOAA SWPC" updated="2025-01-12T21:42:00Z">
//   <FORECAST observed="2025-01-12T21:42:00Z" forecast="2025-01-12T22:51:00Z"/>
//   <P lon="-180" lat="63" p="4"/>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "map/aurora_grid.h"
#include "service/live_source.h"
#include "service/reply_documents.h"

namespace meridiana::service {

inline constexpr const char* kDefaultAuroraFeed =
    "https://services.swpc.noaa.gov/json/ovation_aurora_latest.json";
// The forecaster renews the file every few minutes.
inline constexpr std::chrono::minutes kDefaultAuroraCadence{5};
inline constexpr std::chrono::seconds kAuroraDownloadDeadline{60};

std::string AuroraDocument(const AuroraGrid& grid, const Provenance& provenance);

// Of a live forecast: source="NOAA SWPC", updated = its observation time (else its forecast
// time).
Provenance AuroraLiveProvenance(const AuroraGrid& grid);

// Writes the grid as aurora.xml into the data folder (whole or not at all), preparing the
// folder first. False, with one line in *message, when nothing could be written; the folder's
// old list then stays. On success *message says what was kept.
bool WriteAuroraList(const AuroraGrid& grid, const Provenance& provenance,
                     const std::string& dataFolder, std::string* message);

// Reads a forecast file and writes it as live data, or as the sample. False also for a file
// that is not a forecast.
bool IngestAuroraFile(const char* path, const std::string& dataFolder, std::string* message,
                      bool sample = false);

std::unique_ptr<LiveSource> MakeAuroraSource(
    std::string url, std::chrono::seconds cadence,
    std::chrono::steady_clock::duration deadline = kAuroraDownloadDeadline);

}  // namespace meridiana::service
