// One refresh of the live earthquakes as the service makes it: download of a feed the size of
// USGS's "2.5 and above, past week" at a busy time (2,000 events, about 600 KiB) from a loopback
// server, reading it and writing quakes.xml. Measured in process CPU time, which includes the
// loopback server's share (it sends bytes it holds). The target is under 200 ms.

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "service/live_source.h"
#include "service/quake_source.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Features with most of the properties USGS writes, about 300 bytes each.
std::string Feed(int events) {
  const long long generated = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
  std::string text =
      "{\"type\":\"FeatureCollection\",\"metadata\":{\"generated\":" + std::to_string(generated) +
      ",\"url\":\"https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/"
      "2.5_week.geojson\",\"title\":\"USGS Magnitude 2.5+ Earthquakes, Past "
      "Week\",\"status\":200,\"api\":\"1.10.3\",\"count\":" +
      std::to_string(events) + "},\"features\":[";
  for (int i = 0; i < events; ++i) {
    const std::string id = "us7000" + std::to_string(100000 + i);
    const std::string time = std::to_string(generated - i * 300000LL);
    if (i > 0) text += ',';
    text += "{\"type\":\"Feature\",\"properties\":{\"mag\":" + Fixed(2.5 + (i % 40) / 10.0, 1) +
            ",\"place\":\"" + std::to_string(i % 90) +
            " km SSW of Somewhere, Region\",\"time\":" + time + ",\"updated\":" + time +
            ",\"tz\":null,\"status\":\"reviewed\",\"tsunami\":0,\"sig\":" +
            std::to_string(96 + i % 500) + ",\"net\":\"us\",\"code\":\"" + id.substr(2) +
            "\",\"nst\":" + std::to_string(20 + i % 80) +
            ",\"gap\":" + std::to_string(30 + i % 200) +
            ",\"magType\":\"mb\",\"type\":\"earthquake\"},\"geometry\":{\"type\":\"Point\","
            "\"coordinates\":[" +
            Fixed(-179.5 + (i * 7) % 359 + 0.1234, 4) + "," +
            Fixed(-60.25 + (i * 3) % 120 + 0.4321, 4) + "," + Fixed(10 + i % 600 + 0.123, 3) +
            "]},\"id\":\"" + id + "\"},";
    text.pop_back();
  }
  return text + "]}";
}

void BM_QuakeRefresh(benchmark::State& state) {
  const std::string feed = Feed(2000);
  httplib::Server server;
  server.Get("/feed.geojson", [&feed](const httplib::Request&, httplib::Response& response) {
    response.set_content(feed, "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  // Bound and listening already: connections queue until the thread accepts them.
  std::thread serving([&server] { server.listen_after_bind(); });
  TempDir folder;
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/feed.geojson";
  for (auto _ : state) {
    // A new source each time: no ETag held, so every refresh downloads and writes the list.
    const auto source = MakeQuakeSource(url, std::chrono::minutes(5));
    std::string message;
    if (!source->Refresh(folder.path(), {}, &message)) state.SkipWithError(message.c_str());
  }
  state.counters["feed_KiB"] = static_cast<double>(feed.size()) / 1024;
  server.stop();
  serving.join();
}
BENCHMARK(BM_QuakeRefresh)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana::service
