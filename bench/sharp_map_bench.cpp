// The sharp view against today's base map, each case measured beside the base refresh (1024 x
// 512 composed and cut into a view at zoom 1) of the same run: the counter x_base is the case's
// time per iteration over the base refresh's, so a loaded machine slows both alike. The sharp
// view is 2,560 x 1,280 device pixels (the whole map at zoom 2.5, or 1,280 x 640 at a device pixel
// ratio of 2) composed and shaded at that resolution from a 4096-pixel day and a 2048-pixel night
// picture. The pictures are synthetic (made here), which does not change the work done per pixel.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/map_view.h"
#include "map/sharp_map.h"
#include "map/view_image.h"
#include "support/synthetic_picture.h"

namespace meridiana {
namespace {

using Clock = std::chrono::steady_clock;

// An instant away from the equinox, so the twilight band is not at its narrowest.
const TimeValue kAt = UtcFromCalendar(2024, 5, 10, 15, 0, 0);

// The base refresh of today: the composition (a copy of the day, the shadow pass) and the view.
struct BaseScene {
  MapImages images{std::string(), nullptr};
  Compositor compositor{images, nullptr, nullptr};
  MapView view;
  BaseScene() {
    images.PutDay(bench::SyntheticPicture(1024, 512, 1));
    images.PutNight(bench::SyntheticPicture(1024, 512, 2));
    compositor.modes.day = true;
    compositor.modes.shadow = true;
  }
  void Refresh() {
    compositor.Compose(kAt);
    DibPtr shown = BuildViewImage(images.composed(), view, 1024, 512);
    benchmark::DoNotOptimize(shown.get());
  }
};

// The base refresh's median time in milliseconds over a few dozen runs, measured now.
double BaseRefreshMs() {
  BaseScene scene;
  std::vector<double> times;
  for (int i = 0; i < 41; ++i) {
    const auto start = Clock::now();
    scene.Refresh();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + 20, times.end());
  return times[20];
}

// Runs `step` for every iteration and reports its time against the base refresh measured just
// before and just after (their mean).
template <typename Step>
void AgainstBase(benchmark::State& state, Step step) {
  const double before = BaseRefreshMs();
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    step();
    total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  const double base = (before + BaseRefreshMs()) / 2;
  state.counters["base_ms"] = base;
  state.counters["x_base"] = total / static_cast<double>(state.iterations()) / base;
}

void BM_BaseRefresh(benchmark::State& state) {
  BaseScene scene;
  AgainstBase(state, [&] { scene.Refresh(); });
}

// Today's full repaint: the view image cut from the composed map.
void BM_BaseView(benchmark::State& state) {
  const DibPtr composed = bench::SyntheticPicture(1024, 512, 1);
  MapView view;
  AgainstBase(state, [&] {
    DibPtr shown = BuildViewImage(composed.get(), view, 1024, 512);
    benchmark::DoNotOptimize(shown.get());
  });
}

// A sharp view of `width` x `height` device pixels from the map's left edge at `scale` device
// pixels per base-map pixel, day under the sun shadow or the twilight bands.
struct SharpScene {
  SharpImagery imagery{""};
  SharpFrame frame;
  ViewModes modes;
  SharpSources sources;
  SharpScene(bool twilight, int width = 2560, int height = 1280, double scale = 2.5) {
    imagery.Put(bench::SyntheticPicture(4096, 2048, 1), bench::SyntheticPicture(2048, 1024, 2));
    frame.width = width;
    frame.height = height;
    frame.step = 1.0 / scale;
    modes.day = true;
    modes.shadow = true;
    modes.twilight = twilight;
    sources = ChooseSharpSources(&imagery, nullptr, nullptr, nullptr, nullptr, frame.step);
  }
};

// A fresh sharp view (a resize): sampled, composed and shaded for every device pixel into new
// images.
void BM_SharpFresh(benchmark::State& state, bool twilight) {
  const SharpScene scene(twilight);
  AgainstBase(state, [&] {
    DibPtr shown = ComposeSharp(scene.sources, scene.modes, kAt, scene.frame);
    benchmark::DoNotOptimize(shown.get());
  });
}

// A zoom step of the window: the same size at another zoom, sampled again into the images the
// last frame used.
void BM_SharpZoomStep(benchmark::State& state) {
  SharpScene scene(false);
  SharpComposer composer;
  composer.Compose(scene.sources, scene.modes, kAt, scene.frame);
  bool in = false;
  AgainstBase(state, [&] {
    in = !in;
    scene.frame.step = 1.0 / (in ? 2.6 : 2.5);
    benchmark::DoNotOptimize(composer.Compose(scene.sources, scene.modes, kAt, scene.frame));
  });
  state.counters["resampled"] = composer.resampled();
}

// The window's shadow refresh of an unchanged view: the sampled pictures are kept, so only the
// composition and the shading run again.
void BM_SharpRefresh(benchmark::State& state, bool twilight) {
  const SharpScene scene(twilight);
  SharpComposer composer;
  composer.Compose(scene.sources, scene.modes, kAt, scene.frame);
  TimeValue at = kAt;
  AgainstBase(state, [&] {
    at += 600;  // every ten minutes
    benchmark::DoNotOptimize(composer.Compose(scene.sources, scene.modes, at, scene.frame));
  });
}

// A scroll by 8 base-map pixels one way and then back; the kept pictures move and only the newly
// shown strips are sampled. At zoom 2.5 that is 20 device pixels; at 1.5625 (a window 1,600
// pixels wide fitted, at a ratio of 1) 12.5, which the view rounds to whole device pixels.
void BM_SharpScroll(benchmark::State& state, int width, int height, double scale) {
  SharpScene scene(false, width, height, scale);
  SharpComposer composer;
  scene.frame.left = 100;
  composer.Compose(scene.sources, scene.modes, kAt, scene.frame);
  double direction = 8;
  AgainstBase(state, [&] {
    scene.frame.left += direction;
    direction = -direction;
    benchmark::DoNotOptimize(composer.Compose(scene.sources, scene.modes, kAt, scene.frame));
  });
  state.counters["moved"] = composer.moved();
}

BENCHMARK(BM_BaseRefresh)->Name("ShadowRefresh/base_1024x512")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SharpFresh, shadow, false)
    ->Name("Fresh/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SharpFresh, twilight, true)
    ->Name("Fresh/sharp_2560x1280_twilight")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SharpZoomStep)
    ->Name("ZoomStep/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SharpRefresh, shadow, false)
    ->Name("ShadowRefresh/sharp_2560x1280_kept_pictures")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SharpRefresh, twilight, true)
    ->Name("ShadowRefresh/sharp_2560x1280_twilight_kept_pictures")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SharpScroll, zoom_2_5, 2560, 1280, 2.5)
    ->Name("Scroll/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SharpScroll, zoom_1_5625, 1600, 800, 1.5625)
    ->Name("Scroll/sharp_1600x800_zoom_1.5625")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_BaseView)->Name("Repaint/base_view_1024x512")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
