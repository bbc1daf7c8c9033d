#pragma once
// The aurora forecast: read from the forecaster's own JSON (a file, or what the service
// downloads), and from the service's reply, which lists the points of the grid that are not 0;
// the feed that asks the service for it, as the earthquakes are asked for.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "map/aurora_grid.h"
#include "online/data_provenance.h"
#include "online/quake_feed.h"

namespace meridiana {

// The forecaster's file is about 1 MiB; anything this large is refused.
inline constexpr std::size_t kMaxOvationBytes = std::size_t{16} << 20;
// A reply holds at most one element per grid point.
inline constexpr std::size_t kMaxAuroraReplyBytes = std::size_t{8} << 20;

// The JSON of an OVATION forecast: "Observation Time" and "Forecast Time" as
// "YYYY-MM-DDTHH:MM:SSZ", and "coordinates", a list of [longitude, latitude, percent] with the
// longitude 0 to 359 east (-180 to -1 taken as the same meridians), the latitude -90 to 90, both
// whole numbers, and the percent rounded and held to 0..100. Points not listed are 0. None,
// with the reason in *error, for text that is not such a document: not JSON, without the
// forecast time or the list, a point that is not three numbers or lies off the grid, beyond
// the size above, or with no point at all.
std::optional<AuroraGrid> ReadOvationForecast(std::string_view text, std::string* error);
std::optional<AuroraGrid> ReadOvationForecastFile(const char* path, std::string* error);

// One point of the grid as the service lists it: longitude -180 to 179.
struct AuroraPoint {
  int longitude = 0;
  int latitude = 0;
  int percent = 0;
};
// The points that are not 0, west to east and south to north within a meridian.
std::vector<AuroraPoint> AuroraPoints(const AuroraGrid& grid);

// The grid of a service reply: its FORECAST element's observed and forecast times and its P
// elements (lon, lat, p); elements off the grid are passed over. None without a FORECAST
// element with a forecast time, or (with *refused set) for a reply beyond the size above.
std::optional<AuroraGrid> ReadAuroraReply(std::string_view body, bool* refused = nullptr);

// The Info layer's line: "Aurora forecast 2025-01-12 22:51 UTC", or for the sample "Sample:
// aurora forecast 2025-01-12 22:51 UTC"; `text` holds the words and a "%s" for the time.
std::string AuroraInfoLine(const AuroraGrid& grid, std::string_view text,
                           std::string_view sampleWord);

class AuroraFeed {
 public:
  using Host = QuakeFeed::Host;

  AuroraFeed(HttpClient& client, Host& host) : client_(client), host_(host) {}

  // Starts the download; false (and nothing done) while any request runs.
  bool Download();
  const AuroraGrid& grid() const { return grid_; }
  bool HasForecast() const { return !grid_.empty(); }
  const DataProvenance& provenance() const { return provenance_; }
  // Drops the forecast, so the next Download asks again (the service has changed).
  void Forget() {
    grid_ = {};
    provenance_ = {};
  }

 private:
  int OnReply(HttpRequest& request);

  HttpClient& client_;
  Host& host_;
  AuroraGrid grid_;
  DataProvenance provenance_;
};

}  // namespace meridiana
