// Reading a hostile config.ini: 10 MB of mark and frame lines and a line of a megabyte, against
// the shipped city list.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "foundation/file_util.h"
#include "shell/app/settings_store.h"

namespace meridiana {
namespace {

void BM_ReadTenMegabyteConfigIni(benchmark::State& state) {
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  std::string text = "version=1\nproduct=x\n";
  const char* lines[] = {"M=London ,0\n", "M=Springfield,-89\n", "C=a,b,2026120812,3,4\n",
                         "m=Nowhere,12\n"};
  for (int i = 0; text.size() < (10u << 20); ++i) text += lines[i % 4];
  text += std::string(1 << 20, 'M') + "\n";
  const std::string path = "/tmp/settings_bench_config.ini";
  WriteWholeFile(path.c_str(), text.data(), text.size());
  std::vector<SavedFrame> frames;
  for (auto _ : state) {
    ReadConfigIni(path, world, &frames);
    benchmark::DoNotOptimize(frames.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadTenMegabyteConfigIni)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
