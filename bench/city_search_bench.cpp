// A keystroke's city search over the shipped table (each prefix of the typed text, as the
// selector's field sees it), and the folding of the whole table done once after loading.

#include <benchmark/benchmark.h>

#include <string>

#include "world/city_search.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

const WorldData& Shipped() {
  static const WorldData world = [] {
    WorldData w;
    LoadWorldData(w, MERIDIANA_STAGE_DIR, nullptr);
    return w;
  }();
  return world;
}

// One keystroke: the text typed so far, searched for the list's first 50 results.
void BM_SearchKeystroke(benchmark::State& state, const char* typed) {
  const WorldData& world = Shipped();
  const std::string text(typed);
  std::size_t length = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SearchCities(world, std::string_view(text).substr(0, length), 50));
    length = length % text.size() + 1;
  }
  state.counters["cities"] = static_cast<double>(world.cities.size());
}
BENCHMARK_CAPTURE(BM_SearchKeystroke, ascii, "reykjavik")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystroke, accented, "são paulo")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchKeystroke, one_letter, "s")->Unit(benchmark::kMicrosecond);

void BM_IndexTable(benchmark::State& state) {
  const WorldData& world = Shipped();
  for (auto _ : state) benchmark::DoNotOptimize(CitySearchIndex(world));
}
BENCHMARK(BM_IndexTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
