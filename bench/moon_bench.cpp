// What the Moon costs: its place for one instant (every full repaint with the layer on), the
// layer's drawing on a canvas that only counts, and one local day's rise and set search (the
// command line's --city).

#include <benchmark/benchmark.h>

#include "map/overlays/overlays.h"
#include "world/moon.h"

namespace meridiana {
namespace {

class CountingCanvas : public Canvas {
 public:
  void FillRect(int, int, int, int, Rgb) override { ++calls; }
  void Line(int, int, int, int, Rgb) override { ++calls; }
  void Text(int, int, std::string_view, Rgb, std::optional<Rgb>) override { ++calls; }
  void Ellipse(int, int, int, int, Rgb, Rgb) override { ++calls; }
  long calls = 0;
};

const TimeValue kInstant = UtcFromCalendar(2024, 1, 21, 0, 0, 0);

void BM_MoonAt(benchmark::State& state) {
  TimeValue t = kInstant;
  for (auto _ : state) benchmark::DoNotOptimize(MoonAt(t++));
}
BENCHMARK(BM_MoonAt);

void BM_DrawMoon(benchmark::State& state) {
  MapView view;
  WorldData world;
  FixedClock clock(kInstant);
  OverlayScene scene;
  scene.view = &view;
  scene.area = {0, 0, 1024, 512};
  scene.world = &world;
  scene.clock = &clock;
  scene.layers.moon = true;
  CountingCanvas canvas;
  for (auto _ : state) DrawMoon(canvas, scene);
  benchmark::DoNotOptimize(canvas.calls);
}
BENCHMARK(BM_DrawMoon);

void BM_MoonRiseSetOneDay(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MoonRiseSet(kInstant, 51.5, -0.13));
}
BENCHMARK(BM_MoonRiseSetOneDay)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
