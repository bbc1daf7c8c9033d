#pragma once
// Live cloud sources without the network: the SOURCE text taken apart, its short
// name, the WMS 1.3.0 GetMap address of a frame, and which frame instants to ask for.

#include <set>
#include <string>
#include <vector>

namespace meridiana::service {

struct CloudSourceSpec {
  enum class Kind { kWms, kImage };
  Kind kind = Kind::kWms;
  std::string text;  // as given, "wms:..." or "image:..."
  std::string url;
  std::string name;  // m of its frames and source= of the lists
};

// Takes "wms:URL" or "image:URL" apart (http:// or https://, a host, no blanks or control
// characters; a wms URL names its layer with LAYERS= and asks in EPSG:4326 or CRS:84 if it
// names a CRS at all). False with the reason in *problem.
bool ParseCloudSource(const std::string& text, CloudSourceSpec* spec, std::string* problem);

// A short name for the frames of a source at this host: the organisation's label of a name
// ("view.eumetsat.int" gives "eumetsat", "clouds.example.co.uk" gives "example"), a numeric
// host as it is (":" as "-"); at most 32 of [A-Za-z0-9._-].
std::string SourceNameOfHost(const std::string& host);

// The host of an http:// or https:// URL, without brackets or port; empty when it has none.
std::string UrlHost(const std::string& url);

// Pixels asked of a map server: the frame's own size, so the server's resampling is the only one.
inline constexpr int kWmsWidth = 1024;
inline constexpr int kWmsHeight = 512;

// The GetMap address of the whole world at one instant (seconds since 1970, UTC) from a wms
// source's URL: REQUEST, VERSION, BBOX, WIDTH, HEIGHT and TIME set here (replacing any the URL
// had), SERVICE, CRS (EPSG:4326), FORMAT (image/png) and STYLES (empty) added when missing.
// BBOX follows the CRS's axis order: latitude first for EPSG:4326 in 1.3.0, longitude first for
// CRS:84.
std::string GetMapUrl(const std::string& sourceUrl, long long instant, int width = kWmsWidth,
                      int height = kWmsHeight);

// The frame time "YYYYMMDDHHMM" of an instant; and back, seconds of a frame time.
std::string FrameTimeOf(long long instant);
long long InstantOfFrameTime(const std::string& t);

// Frame instants a wms source is asked for, newest first: multiples of the cadence from `now`
// back, leaving out those held. While fewer than twelve live frames are held, the walk goes
// back far enough to fill twelve (and a few steps more for the publisher's latency); after
// that it stops at the newest held.
std::vector<long long> WmsInstantsToAsk(long long now, long long cadenceSeconds,
                                        const std::set<long long>& held, bool holdsTwelve);

// Steps of latency allowed for: publishers post a frame two to four hours after its instant.
long long LatencySteps(long long cadenceSeconds);

}  // namespace meridiana::service
