// The overlays on a 1024 x 512 image through the window's QPainter canvas: a full paint with
// every layer (all shipped cities, the grid at zoom 1, 20 marked cities, the scale, City Names at
// a crowded spot in Europe) and the one-second clock-only paint.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "map/overlays/overlays.h"
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

void BM_FullOverlayPaint(benchmark::State& state) { Paint(state, false); }
void BM_ClockOnlyPaint(benchmark::State& state) { Paint(state, true); }
BENCHMARK(BM_FullOverlayPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClockOnlyPaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
