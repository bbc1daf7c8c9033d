// The map's pixel work: the view image at zoom 1 and 2.5, the cloud blend, the zone tint and
// the PNG encoding of a whole map. The pictures are the shipped day and night images when the
// source tree has them (the PNG size depends on the content), else synthetic ones made here.

#include <benchmark/benchmark.h>

#include <string>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/dib_ops.h"
#include "map/image_load.h"
#include "map/png_writer.h"
#include "map/view_image.h"
#include "support/synthetic_picture.h"

namespace meridiana {
namespace {

// A shipped picture at the base-map size, or a synthetic one.
DibPtr Picture(const char* name, int seed) {
  const std::string path = std::string(MERIDIANA_FIXTURES) + "/../../data/images/" + name;
  DibPtr dib = DibLoad(path.c_str(), kMapPictureMaxPixels);
  if (dib && (DibWidth(dib.get()) != 1024 || DibHeight(dib.get()) != 512)) {
    dib = DibScale(dib.get(), 1024, 512);
  }
  return dib ? std::move(dib) : bench::SyntheticPicture(1024, 512, seed);
}

void BM_ViewImage(benchmark::State& state) {
  const DibPtr map = Picture("earth_day.jpg", 1);
  MapView view;
  view.zoom = static_cast<float>(state.range(0)) / 10.0f;
  view.scrollX = state.range(0) > 10 ? 200 : 0;
  view.scrollY = state.range(0) > 10 ? 100 : 0;
  for (auto _ : state) {
    DibPtr image = BuildViewImage(map.get(), view, 1024, 512);
    benchmark::DoNotOptimize(image.get());
  }
}
BENCHMARK(BM_ViewImage)
    ->Arg(10)
    ->Arg(25)
    ->Name("ViewImage/zoom_x10")
    ->Unit(benchmark::kMillisecond);

void BM_CloudBlend(benchmark::State& state) {
  const DibPtr day = Picture("earth_day.jpg", 1);
  // The night lights stand in for a cloud frame: dark, with bright and middle values.
  const DibPtr cloud = Picture("earth_night.jpg", 2);
  DibPtr out = DibCreate(1024, 512, 24);
  for (auto _ : state) {
    CloudBlend(day.get(), cloud.get(), out.get());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CloudBlend)->Unit(benchmark::kMillisecond);

void BM_CloudBlendSynthetic(benchmark::State& state) {
  const DibPtr day = bench::SyntheticPicture(1024, 512, 1);
  // Every brightness: mostly the weighted branch.
  const DibPtr cloud = bench::SyntheticPicture(1024, 512, 2);
  DibPtr out = DibCreate(1024, 512, 24);
  for (auto _ : state) {
    CloudBlend(day.get(), cloud.get(), out.get());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CloudBlendSynthetic)->Unit(benchmark::kMillisecond);

void BM_ZoneTint(benchmark::State& state) {
  const DibPtr day = Picture("earth_day.jpg", 1);
  const DibPtr zones = Picture("earth_tz.png", 3);
  DibPtr out = DibCreate(1024, 512, 24);
  for (auto _ : state) {
    ZoneTint(day.get(), zones.get(), out.get());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ZoneTint)->Unit(benchmark::kMillisecond);

// Arguments: zlib level, 1 for the "sub" filter, 1 for the run-length strategy.
void BM_EncodePng(benchmark::State& state) {
  const DibPtr day = Picture("earth_day.jpg", 1);
  const PngOptions options{static_cast<int>(state.range(0)), state.range(1) != 0,
                           state.range(2) != 0};
  std::size_t size = 0;
  for (auto _ : state) {
    std::string bytes;
    EncodePng(day.get(), &bytes, options);
    size = bytes.size();
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodePng)
    ->Args({1, 1, 1})
    ->Args({1, 0, 1})
    ->Args({1, 1, 0})
    ->Args({1, 0, 0})
    ->Args({6, 1, 0})
    ->Unit(benchmark::kMillisecond);

// What `meridiana-cli render --out map.png` does after start-up, in one process: load the staged
// day and night images, compose the day map with the sun shadow, encode the PNG.
void BM_RenderPipeline(benchmark::State& state) {
  const TimeValue t = UtcFromCalendar(2026, 6, 21, 12, 0, 0);
  for (auto _ : state) {
    MapImages images(MERIDIANA_STAGE_DIR, nullptr);
    if (!images.LoadDay()) {
      state.SkipWithError("no staged images: build the meridiana_data target");
      return;
    }
    Compositor compositor(images, nullptr, nullptr);
    compositor.modes.day = true;
    compositor.modes.shadow = true;
    compositor.Compose(t);
    std::string bytes;
    EncodePng(images.composed(), &bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_RenderPipeline)->Unit(benchmark::kMillisecond);

// One step of the cloud animation to a cached frame, as the window takes it every 250 ms: load
// the frame's JPEG from the cache, blend it over a copy of the day map, build the view image of
// an 800 x 400 map area. The frame is the bundled service's newest sample frame.
void BM_AnimationStep(benchmark::State& state) {
  const std::string frame = std::string(MERIDIANA_STAGE_DIR) + "/service/clouds/newest.jpg";
  MapImages images(MERIDIANA_STAGE_DIR, nullptr);
  if (!images.LoadDay() || !DibLoad(frame.c_str(), kMapPictureMaxPixels)) {
    state.SkipWithError("no staged pictures: build meridiana_data and meridiana_service_data");
    return;
  }
  Compositor compositor(images, nullptr, nullptr);
  compositor.modes.day = true;
  compositor.modes.clouds = true;
  MapView view;
  view.zoom = 800.0f / 1024.0f;
  for (auto _ : state) {
    const DibPtr cloud = DibLoad(frame.c_str(), kMapPictureMaxPixels);
    compositor.ShowCloudFrame(cloud.get());
    DibPtr shown = BuildViewImage(images.composed(), view, 800, 400);
    benchmark::DoNotOptimize(shown.get());
  }
}
BENCHMARK(BM_AnimationStep)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
