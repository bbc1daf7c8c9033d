// Live cloud sources without the network: SOURCE texts taken apart and named, GetMap addresses
// (axis order per CRS, the time asked for, the caller's own parameters replaced or kept), and
// which frame instants a refresh asks for.

#include "service/wms_request.h"

#include <gtest/gtest.h>

#include <set>

#include "service/cloud_source.h"

namespace meridiana::service {
namespace {

constexpr long long k20261209T1540 = 1796828400 + 40 * 60;  // 2026-12-09 15:40:00 UTC

TEST(WmsRequest, FrameTimesAndInstantsAgree) {
  EXPECT_EQ(FrameTimeOf(k20261209T1540), "202612091540");
  EXPECT_EQ(InstantOfFrameTime("202612091540"), k20261209T1540);
  EXPECT_EQ(InstantOfFrameTime("2026120915"), k20261209T1540 - 40 * 60);
}

TEST(WmsRequest, GetMapAsksForTheWholeWorldAtOneInstant) {
  const long long at = k20261209T1540 - 40 * 60;
  const struct {
    const char* source;
    const char* url;
  } kCases[] = {
      // 1.3.0 puts latitude first for EPSG:4326, the default.
      {"https://h.test/geoserver/wms?SERVICE=WMS&LAYERS=mumi:ir108",
       "https://h.test/geoserver/wms?SERVICE=WMS&LAYERS=mumi:ir108&REQUEST=GetMap&VERSION=1.3.0"
       "&CRS=EPSG:4326&BBOX=-90,-180,90,180&WIDTH=1024&HEIGHT=512&FORMAT=image/png&STYLES="
       "&TIME=2026-12-09T15:00:00Z"},
      // CRS:84 is longitude first; the source's own format and style stay.
      {"https://h.test/wms?LAYERS=ir&crs=CRS%3A84&format=image/jpeg&styles=gray#top",
       "https://h.test/wms?LAYERS=ir&crs=CRS%3A84&format=image/jpeg&styles=gray&SERVICE=WMS"
       "&REQUEST=GetMap&VERSION=1.3.0&BBOX=-180,-90,180,90&WIDTH=1024&HEIGHT=512"
       "&TIME=2026-12-09T15:00:00Z"},
      // What the frame needs replaces what the source's address says, in any letter case.
      {"http://127.0.0.1:8080/wms?request=GetCapabilities&version=1.1.1&SRS=EPSG:3857&LAYERS=a"
       "&bbox=0,0,1,1&Width=9&height=9&time=2001-01-01&CRS=EPSG:4326",
       "http://127.0.0.1:8080/wms?LAYERS=a&CRS=EPSG:4326&SERVICE=WMS&REQUEST=GetMap"
       "&VERSION=1.3.0&BBOX=-90,-180,90,180&WIDTH=1024&HEIGHT=512&FORMAT=image/png&STYLES="
       "&TIME=2026-12-09T15:00:00Z"},
  };
  for (const auto& c : kCases) EXPECT_EQ(GetMapUrl(c.source, at), c.url) << c.source;
  EXPECT_EQ(GetMapUrl("https://h.test/wms?LAYERS=a", 0, 2048, 1024),
            "https://h.test/wms?LAYERS=a&SERVICE=WMS&REQUEST=GetMap&VERSION=1.3.0&CRS=EPSG:4326"
            "&BBOX=-90,-180,90,180&WIDTH=2048&HEIGHT=1024&FORMAT=image/png&STYLES=");
}

TEST(WmsRequest, SourcesAreTakenApartAndNamed) {
  const struct {
    const char* text;
    const char* name;  // null: refused
  } kCases[] = {
      {"wms:https://view.eumetsat.int/geoserver/wms?LAYERS=mumi:worldcloudmap_ir108", "eumetsat"},
      {"wms:HTTPS://nowcoast.noaa.gov/geoserver/satellite/wms?layers=x&CRS=CRS:84", "noaa"},
      {"image:https://clouds.example.co.uk/images/2048x1024/clouds.jpg", "example"},
      {"image:http://127.0.0.1:8613/clouds.png", "127.0.0.1"},
      {"image:https://[::1]:8443/clouds.png", "--1"},
      {"image:https://localhost/clouds.png", "localhost"},
      {"wms:https://h.test/wms?SERVICE=WMS", nullptr},             // no layer
      {"wms:https://h.test/wms?LAYERS=a&CRS=EPSG:3857", nullptr},  // a projection not ours
      {"image:ftp://h.test/clouds.jpg", nullptr},                  // not http
      {"image:https://user:pw@h.test/clouds.jpg", nullptr},        // a user in the address
      {"image:https://h.test/two words.jpg", nullptr},             // a blank
      {"image:https:///clouds.jpg", nullptr},                      // no host
      {"https://h.test/clouds.jpg", nullptr},                      // no kind
      {"file:/tmp/clouds.jpg", nullptr},
  };
  for (const auto& c : kCases) {
    CloudSourceSpec spec;
    std::string problem;
    EXPECT_EQ(ParseCloudSource(c.text, &spec, &problem), c.name != nullptr) << c.text;
    EXPECT_EQ(IsCloudSource(c.text, &problem), c.name != nullptr) << c.text;
    if (c.name) {
      EXPECT_EQ(spec.name, c.name) << c.text;
    } else {
      EXPECT_FALSE(problem.empty()) << c.text;
    }
  }
  EXPECT_EQ(SourceNameOfHost(std::string(60, 'a') + ".org").size(), 32u);
}

// The chain --live uses: at least two independent publishers, each a source this code takes.
TEST(WmsRequest, DefaultChainIsTwoPublishersOrMore) {
  const std::vector<std::string> sources = DefaultCloudSources();
  ASSERT_GE(sources.size(), 2u);
  std::set<std::string> hosts;
  for (const std::string& text : sources) {
    std::string problem;
    EXPECT_TRUE(IsCloudSource(text, &problem)) << text << ": " << problem;
    EXPECT_EQ(text.find("https://"), text.find(':') + 1) << text;
    hosts.insert(UrlHost(text.substr(text.find(':') + 1)));
  }
  EXPECT_EQ(hosts.size(), sources.size());
}

TEST(WmsRequest, BackFillsTwelveThenAsksOnlyForNewer) {
  const long long hour = 3600;
  const long long top = k20261209T1540 - 40 * 60;  // 15:00, the newest whole hour
  // Nothing held (or only the sample): twelve and six hours of the publisher's latency.
  std::vector<long long> asked = WmsInstantsToAsk(k20261209T1540, hour, {}, false);
  ASSERT_EQ(asked.size(), 18u);
  for (std::size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], top - hour * i);

  // Fewer than twelve held: the gaps are asked for, what is held is not.
  const std::set<long long> five = {top - 2 * hour, top - 3 * hour, top - 4 * hour, top - 5 * hour,
                                    top - 6 * hour};
  asked = WmsInstantsToAsk(k20261209T1540, hour, five, false);
  EXPECT_EQ(asked.size(), 13u);
  for (const long long instant : asked) EXPECT_FALSE(five.count(instant));

  // Twelve held: only what is newer than the newest of them.
  std::set<long long> twelve;
  for (int i = 2; i < 14; ++i) twelve.insert(top - i * hour);
  EXPECT_EQ(WmsInstantsToAsk(k20261209T1540, hour, twelve, true),
            (std::vector<long long>{top, top - hour}));
  twelve.insert(top);
  EXPECT_TRUE(WmsInstantsToAsk(k20261209T1540, hour, twelve, true).empty());

  // Every ten minutes: on the ten-minute grid, the latency allowance capped.
  asked = WmsInstantsToAsk(k20261209T1540, 600, {}, false);
  EXPECT_EQ(asked.front(), k20261209T1540);
  EXPECT_EQ(asked.size(), 12u + 24u);
  for (const long long instant : asked) EXPECT_EQ(instant % 600, 0);
}

}  // namespace
}  // namespace meridiana::service
