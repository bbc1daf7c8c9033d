// The sun shadow over a 1024 x 512 map: the fast pass and the per-pixel reference pass; the same
// for the twilight bands.
// The pictures are synthetic (made here), which does not change the work done per pixel.

#include <benchmark/benchmark.h>

#include <cstring>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/sun_shadow.h"
#include "map/twilight.h"
#include "support/synthetic_picture.h"

namespace meridiana {
namespace {

template <void (*Pass)(Dib*, const Dib*, TimeValue)>
void BM_Shadow(benchmark::State& state) {
  const DibPtr day = bench::SyntheticPicture(1024, 512, 1);
  const DibPtr night = bench::SyntheticPicture(1024, 512, 2);
  const DibPtr map = DibCopy(day.get());
  const std::size_t bytes = DibPixelBytes(day.get());
  // An instant away from the equinox, so the twilight band is not at its narrowest.
  const TimeValue t = UtcFromCalendar(2024, 5, 10, 15, 0, 0);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(map->pixels.data(), day->pixels.data(), bytes);
    state.ResumeTiming();
    Pass(map.get(), night.get(), t);
    benchmark::ClobberMemory();
  }
}

void TwilightPerPixel(Dib* composed, const Dib* night, TimeValue now) {
  ApplyTwilightOnPerPixel(composed, night, now, WholeEarthGrid(1024, 512));
}

// The fast pass in SSE2 alone, as on a processor without AVX2.
void SunShadowSse2(Dib* composed, const Dib* night, TimeValue now) {
  UseShadowKernels(ShadowKernels::kSse2);
  ApplySunShadow(composed, night, now);
  UseShadowKernels(ShadowKernels::kWidest);
}

BENCHMARK(BM_Shadow<ApplySunShadow>)->Name("SunShadow/fast")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shadow<SunShadowSse2>)->Name("SunShadow/fast_sse2")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shadow<ApplySunShadowPerPixel>)
    ->Name("SunShadow/per_pixel")
    ->Unit(benchmark::kMillisecond);
// The pass that replaces the shadow while Twilight is on, and its plain per-pixel form.
BENCHMARK(BM_Shadow<ApplyTwilight>)->Name("Twilight/fast")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shadow<TwilightPerPixel>)->Name("Twilight/per_pixel")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
