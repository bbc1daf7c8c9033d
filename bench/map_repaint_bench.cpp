// What the window's map area does at the base size (a 1024 x 512 view at zoom 1) and on a
// high-density screen (the same map at a device pixel ratio of 2 and zoom 1.25: 1,280 x 640
// window pixels, 2,560 x 1,280 device pixels, drawn sharp):
// - the shadow refresh: the map composed and shaded for a new instant, made the pixmap the area
//   draws, and the area painted with every overlay;
// - a full repaint: the kept pixmap and every overlay painted again (an expose, a hover change).
// The pictures are synthetic (made here), which does not change the work done per pixel; the
// overlays are those of overlays_bench (all shipped cities, grid, 20 marked cities, the scale,
// City Names over central Europe).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "map/base_images.h"
#include "map/compose.h"
#include "map/overlays/overlays.h"
#include "map/sharp_map.h"
#include "map/view_image.h"
#include "shell/window/map_pixels.h"
#include "shell/window/painter_canvas.h"
#include "shell/window/sharp_view.h"
#include "support/qt_application.h"
#include "support/synthetic_picture.h"

namespace meridiana {
namespace {

const TimeValue kAt = UtcFromCalendar(2024, 5, 10, 15, 0, 0);

// One map area: `ratio` device pixels per window pixel, the view at `zoom`.
struct Area {
  // Before any pixmap.
  QGuiApplication& app = bench::QtApplication<QGuiApplication>("map_repaint_bench");
  double ratio;
  int width;  // window pixels
  int height;
  WorldData world;
  MapView view;
  FixedClock clock{UtcFromCalendar(2026, 12, 8, 14, 5, 33)};
  FixedLocaleInfo locale{"/"};
  OverlayScene scene;
  MapImages images{std::string(), nullptr};
  Compositor compositor{images, nullptr, nullptr};
  SharpImagery imagery{""};
  SharpComposer sharpComposer;  // as the window's SharpViewCache keeps it
  ViewImageCache base;
  QImage backing;  // the window's backing store
  TextSizeCache sizes;
  HoverState hover;
  QPixmap pixmap;

  Area(double r, float zoom, int w, int h) : ratio(r), width(w), height(h) {
    LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
    for (std::size_t i = 0; i < world.cities.size() && i < 20 * 250; i += 250)
      world.cities[i].marked = true;
    view.zoom = zoom;
    view.userZoom = true;
    scene.view = &view;
    scene.area = {0, 0, width, height};
    scene.pictureRight = width;
    scene.pictureBottom = height;
    scene.world = &world;
    scene.clock = &clock;
    scene.locale = &locale;
    scene.layers = {
        .allCities = true, .cityNames = true, .grid = true, .marked = true, .info = true};
    scene.pointer = {static_cast<int>(540 * zoom), static_cast<int>(130 * zoom)};
    images.PutDay(bench::SyntheticPicture(1024, 512, 1));
    images.PutNight(bench::SyntheticPicture(1024, 512, 2));
    imagery.Put(bench::SyntheticPicture(4096, 2048, 1), bench::SyntheticPicture(4096, 2048, 2));
    compositor.modes.day = true;
    compositor.modes.shadow = true;
    backing = QImage(static_cast<int>(width * ratio), static_cast<int>(height * ratio),
                     QImage::Format_RGB32);
    backing.setDevicePixelRatio(ratio);
    Refresh(kAt);
  }

  // The composition for `at` and the pixmap the area draws, as the window's paint makes them.
  void Refresh(TimeValue at) {
    compositor.Compose(at);
    const MapRect rect{0, 0, width, height};
    if (ratio * view.zoom > 1) {
      const SharpFrame frame = ViewFrame(view, width, height, ratio);
      const Dib* shown = sharpComposer.Compose(
          ChooseSharpSources(&imagery, images.day(), images.night(), nullptr, nullptr, frame.step),
          compositor.modes, at, frame);
      QImage device = DibToQImage(shown);
      device.setDevicePixelRatio(ratio);
      pixmap = QPixmap::fromImage(std::move(device));
    } else {
      pixmap = QPixmap::fromImage(DibToQImage(base.Update(images.composed(), true, rect, view)));
    }
  }

  void Paint() {
    QPainter painter(&backing);
    painter.drawPixmap(0, 0, pixmap);
    PainterCanvas canvas(painter, &sizes);
    PaintOverlays(canvas, scene, false, hover);
  }
};

void BM_Refresh(benchmark::State& state, double ratio, float zoom, int w, int h) {
  Area area(ratio, zoom, w, h);
  area.Paint();  // the font database and text sizes are start-up cost
  TimeValue at = kAt;
  for (auto _ : state) {
    at += 600;  // every ten minutes
    area.Refresh(at);
    area.Paint();
  }
}

void BM_Repaint(benchmark::State& state, double ratio, float zoom, int w, int h) {
  Area area(ratio, zoom, w, h);
  area.Paint();
  for (auto _ : state) area.Paint();
}

BENCHMARK_CAPTURE(BM_Refresh, base_1024x512, 1.0, 1.0f, 1024, 512)
    ->Name("MapArea/shadow_refresh/base_1024x512")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Refresh, sharp_2560x1280, 2.0, 1.25f, 1280, 640)
    ->Name("MapArea/shadow_refresh/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Repaint, base_1024x512, 1.0, 1.0f, 1024, 512)
    ->Name("MapArea/full_repaint/base_1024x512")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Repaint, sharp_2560x1280, 2.0, 1.25f, 1280, 640)
    ->Name("MapArea/full_repaint/sharp_2560x1280")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
