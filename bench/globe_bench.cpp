// The Earth as a disc against the rectangular map, both 1024 x 1024 as `render --size 1024x1024`
// makes them, day under the sun shadow. The rectangular map is the base composition cut into the
// view; the disc composes the whole Earth at the frame its middle needs (4096 x 2048 from a
// 4096-pixel day and a 2048-pixel night picture) and samples it through the projection. The
// counter x_rect is a case's time per picture over the rectangular map's, measured in the same
// run. The pictures are synthetic (made here), which does not change the work done per pixel.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "map/base_images.h"
#include "map/compose.h"
#include "map/globe_render.h"
#include "map/map_view.h"
#include "map/sharp_map.h"
#include "map/view_image.h"
#include "support/synthetic_picture.h"

namespace meridiana {
namespace {

using Clock = std::chrono::steady_clock;

const TimeValue kAt = UtcFromCalendar(2024, 5, 10, 15, 0, 0);

struct Scene {
  MapImages images{std::string(), nullptr};
  SharpImagery sharp{""};
  ViewModes modes;
  Scene() {
    images.PutDay(bench::SyntheticPicture(1024, 512, 1));
    images.PutNight(bench::SyntheticPicture(1024, 512, 2));
    sharp.Put(bench::SyntheticPicture(4096, 2048, 1), bench::SyntheticPicture(2048, 1024, 2));
    modes.day = true;
    modes.shadow = true;
  }
};

void Rectangular(Scene& scene) {
  Compositor compositor(scene.images, nullptr, nullptr);
  compositor.modes = scene.modes;
  compositor.Compose(kAt);
  DibPtr shown = BuildViewImage(scene.images.composed(), MapView{}, 1024, 1024);
  benchmark::DoNotOptimize(shown.get());
}

double RectangularMs(Scene& scene) {
  std::vector<double> times;
  for (int i = 0; i < 21; ++i) {
    const auto start = Clock::now();
    Rectangular(scene);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + 10, times.end());
  return times[10];
}

void BM_Rectangular(benchmark::State& state) {
  Scene scene;
  const double base = RectangularMs(scene);
  for (auto _ : state) Rectangular(scene);
  state.counters["rect_ms"] = base;
}

void BM_Disc(benchmark::State& state, ProjectionKind kind) {
  Scene scene;
  const double before = RectangularMs(scene);
  const MapProjection projection(kind, 48.85, 2.35, 1024, 1024);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    DibPtr disc = RenderGlobe(&scene.sharp, scene.images, scene.modes, kAt, projection);
    benchmark::DoNotOptimize(disc.get());
    total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  const double base = (before + RectangularMs(scene)) / 2;
  state.counters["rect_ms"] = base;
  state.counters["x_rect"] = total / static_cast<double>(state.iterations()) / base;
  state.counters["frame_scale"] = GlobeFrameScale(projection);
}

// The sampling through the projection alone, from a composed frame of 4096 x 2048.
void BM_ProjectOnly(benchmark::State& state, ProjectionKind kind) {
  const DibPtr frame = bench::SyntheticPicture(4096, 2048, 1);
  const MapProjection projection(kind, 48.85, 2.35, 1024, 1024);
  for (auto _ : state) {
    DibPtr disc = ProjectMap(frame.get(), projection);
    benchmark::DoNotOptimize(disc.get());
  }
}

BENCHMARK(BM_Rectangular)->Name("Render/rectangular_1024x1024")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Disc, orthographic, ProjectionKind::kOrthographic)
    ->Name("Render/orthographic_1024x1024")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Disc, azimuthal, ProjectionKind::kAzimuthal)
    ->Name("Render/azimuthal_1024x1024")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ProjectOnly, orthographic, ProjectionKind::kOrthographic)
    ->Name("Sample/orthographic_1024x1024")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ProjectOnly, azimuthal, ProjectionKind::kAzimuthal)
    ->Name("Sample/azimuthal_1024x1024")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace meridiana
