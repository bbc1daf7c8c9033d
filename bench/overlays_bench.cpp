// The overlays on a 1024 x 512 image through the window's QPainter canvas: a full paint with
// every layer (all shipped cities, the grid at zoom 1, 20 marked cities, the scale, City Names at
// a crowded spot in Europe) and the one-second clock-only paint; and the Aurora layer alone over a
// 1280 x 640 map (zoom 1.25, the map filling a window of the usual size) on the winter night of
// the bundled sample, a real forecast (a synthetic oval when the sample is not staged).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "foundation/file_util.h"
#include "map/overlays/overlays.h"
#include "online/aurora_feed.h"
#include "shell/window/painter_canvas.h"
#include "support/qt_application.h"

namespace meridiana {
namespace {

struct Scene {
  WorldData world;
  MapView view;
  FixedClock clock{UtcFromCalendar(2026, 12, 8, 14, 5, 33)};
  FixedLocaleInfo locale{"/"};
  OverlayScene scene;
  Scene() {
    LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
    for (std::size_t i = 0; i < world.cities.size() && i < 20 * 250; i += 250)
      world.cities[i].marked = true;
    scene.view = &view;
    scene.area = {0, 0, 1024, 512};
    scene.pictureRight = 1024;
    scene.pictureBottom = 512;
    scene.world = &world;
    scene.clock = &clock;
    scene.locale = &locale;
    scene.layers = {.allCities = true,
                    .cityNames = true,
                    .grid = getenv("NOGRID") == nullptr,
                    .marked = true,
                    .info = true};
    scene.pointer = {540, 130};  // central Europe
  }
};

void Paint(benchmark::State& state, bool clockOnly) {
  bench::QtApplication<QGuiApplication>("overlays_bench");
  Scene s;
  QImage image(1024, 512, QImage::Format_RGB32);
  image.fill(Qt::black);
  HoverState hover;
  // Kept across paints, as the window's map area keeps them.
  TextSizeCache sizes;
  MarkedCityIndex marked;
  s.scene.markedIndex = &marked;
  {
    // The first text loads the font database, which is start-up cost, not paint cost.
    QPainter painter(&image);
    PainterCanvas canvas(painter, &sizes);
    PaintOverlays(canvas, s.scene, false, hover);
  }
  for (auto _ : state) {
    QPainter painter(&image);
    PainterCanvas canvas(painter, &sizes);
    PaintOverlays(canvas, s.scene, clockOnly, hover);
  }
}

// A SYNTHETIC oval, 23 degrees round the geomagnetic poles, peaking at 40 %: as many points of
// 1 % or more as a lively real forecast has.
AuroraGrid SyntheticOval() {
  AuroraGrid grid;
  grid.Clear();
  const double rad = 3.14159265358979 / 180;
  const double poleLat = 80.7 * rad;
  const double poleLon = -72.7 * rad;
  for (int lat = -90; lat <= 90; ++lat)
    for (int lon = 0; lon < 360; ++lon) {
      const double s = std::sin(lat * rad) * std::sin(poleLat) +
                       std::cos(lat * rad) * std::cos(poleLat) * std::cos(lon * rad - poleLon);
      const double magnetic = std::fabs(std::asin(std::fmax(-1.0, std::fmin(1.0, s)))) / rad;
      grid.Set(
          lon, lat,
          static_cast<std::uint8_t>(std::lround(40 * std::exp(-std::pow((magnetic - 67) / 4, 2)))));
    }
  return grid;
}

void BM_AuroraPaint(benchmark::State& state) {
  bench::QtApplication<QGuiApplication>("overlays_bench");
  const std::optional<std::string> sample =
      ReadWholeFile(MERIDIANA_STAGE_DIR "/service/aurora.xml");
  const std::optional<AuroraGrid> real = sample ? ReadAuroraReply(*sample) : std::nullopt;
  const AuroraGrid grid = real ? *real : SyntheticOval();
  state.SetLabel(real ? "the sample's forecast" : "a synthetic oval");
  MapView view;
  view.zoom = 1.25f;
  const FixedClock clock(UtcFromCalendar(2025, 1, 12, 22, 51, 0));
  OverlayScene scene;
  scene.view = &view;
  scene.area = {0, 0, 1280, 640};
  scene.clock = &clock;
  scene.aurora = &grid;
  QImage image(1280, 640, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (auto _ : state) {
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    DrawAurora(canvas, scene);
  }
}

void BM_FullOverlayPaint(benchmark::State& state) { Paint(state, false); }
void BM_ClockOnlyPaint(benchmark::State& state) { Paint(state, true); }
BENCHMARK(BM_FullOverlayPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockOnlyPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AuroraPaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
