// The shadow refresh and the view rebuild of a full repaint: today's base map (1024 x 512 view at
// zoom 1) against a sharp view of 2,560 x 1,280 device pixels (the whole map at zoom 2.5, or
// 1,280 x 640 at a device pixel ratio of 2) composed and shaded at that resolution from a
// 4096-pixel day and a 2048-pixel night picture. The pictures are synthetic (made here), which
// does not change the work done per pixel.

#include <benchmark/benchmark.h>

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

// An instant away from the equinox, so the twilight band is not at its narrowest.
const TimeValue kAt = UtcFromCalendar(2024, 5, 10, 15, 0, 0);

// Today: the composition (a copy of the day, the shadow pass) and the view image at zoom 1.
void BM_BaseRefresh(benchmark::State& state) {
  MapImages images(std::string(), nullptr);
  images.PutDay(bench::SyntheticPicture(1024, 512, 1));
  images.PutNight(bench::SyntheticPicture(1024, 512, 2));
  Compositor compositor(images, nullptr, nullptr);
  compositor.modes.day = true;
  compositor.modes.shadow = true;
  MapView view;
  for (auto _ : state) {
    compositor.Compose(kAt);
    DibPtr shown = BuildViewImage(images.composed(), view, 1024, 512);
    benchmark::DoNotOptimize(shown.get());
  }
}

// Today's full repaint: the view image cut from the composed map.
void BM_BaseView(benchmark::State& state) {
  const DibPtr composed = bench::SyntheticPicture(1024, 512, 1);
  MapView view;
  for (auto _ : state) {
    DibPtr shown = BuildViewImage(composed.get(), view, 1024, 512);
    benchmark::DoNotOptimize(shown.get());
  }
}

// A sharp view of 2,560 x 1,280 device pixels over the whole map, day under the sun shadow or
// the twilight bands.
struct SharpScene {
  SharpImagery imagery{""};
  SharpFrame frame;
  ViewModes modes;
  SharpSources sources;
  explicit SharpScene(bool twilight) {
    imagery.Put(bench::SyntheticPicture(4096, 2048, 1), bench::SyntheticPicture(2048, 1024, 2));
    frame.width = 2560;
    frame.height = 1280;
    frame.step = 1.0 / 2.5;
    modes.day = true;
    modes.shadow = true;
    modes.twilight = twilight;
    sources = ChooseSharpSources(&imagery, nullptr, nullptr, nullptr, nullptr, frame.step);
  }
};

// The sharp view: sampled, composed and shaded for every device pixel. In the window this is
// both the shadow refresh and the rebuild of a full repaint after a zoom or scroll.
void BM_SharpView(benchmark::State& state, bool twilight) {
  const SharpScene scene(twilight);
  for (auto _ : state) {
    DibPtr shown = ComposeSharp(scene.sources, scene.modes, kAt, scene.frame);
    benchmark::DoNotOptimize(shown.get());
  }
}

// The window's shadow refresh of an unchanged view: the sampled pictures are kept, so only the
// composition and the shading run again.
void BM_SharpRefresh(benchmark::State& state, bool twilight) {
  const SharpScene scene(twilight);
  SharpComposer composer;
  composer.Compose(scene.sources, scene.modes, kAt, scene.frame);
  TimeValue at = kAt;
  for (auto _ : state) {
    at += 600;  // every ten minutes
    benchmark::DoNotOptimize(composer.Compose(scene.sources, scene.modes, at, scene.frame));
  }
}

// A scroll of a sharp view: each step moves the frame by 8 base-map pixels (20 device pixels)
// one way and then back; the kept pictures move and only the newly shown strips are sampled.
void BM_SharpScroll(benchmark::State& state) {
  SharpScene scene(false);
  SharpComposer composer;
  scene.frame.left = 100;
  composer.Compose(scene.sources, scene.modes, kAt, scene.frame);
  double direction = 8;
  for (auto _ : state) {
    scene.frame.left += direction;
    direction = -direction;
    benchmark::DoNotOptimize(composer.Compose(scene.sources, scene.modes, kAt, scene.frame));
  }
  state.counters["moved"] = composer.moved();
}

BENCHMARK(BM_BaseRefresh)->Name("ShadowRefresh/base_1024x512")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SharpView, shadow, false)
    ->Name("ShadowRefresh/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SharpView, twilight, true)
    ->Name("ShadowRefresh/sharp_2560x1280_twilight")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SharpRefresh, shadow, false)
    ->Name("ShadowRefresh/sharp_2560x1280_kept_pictures")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SharpRefresh, twilight, true)
    ->Name("ShadowRefresh/sharp_2560x1280_twilight_kept_pictures")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharpScroll)->Name("Scroll/sharp_2560x1280")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaseView)->Name("Repaint/base_view_1024x512")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
