#include "render_view.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "foundation/file_util.h"
#include "map/map_view.h"
#include "map/view_image.h"
#include "online/aurora_feed.h"
#include "online/quake_feed.h"
#include "world/city_search.h"
#include "world/locale_info.h"
#include "world/table_text.h"
#include "world/world_data.h"

#ifdef MERIDIANA_CLI_OVERLAYS
#include <QGuiApplication>

#include "shell/app/settings_store.h"
#include "shell/window/overlay_image.h"
#endif

namespace meridiana::cli {
namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!part.empty()) parts.push_back(part);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

// "A,B" or "AxB" as two integers.
bool ParsePair(const std::string& text, char separator, int& a, int& b) {
  const std::size_t at = text.find(separator);
  if (at == std::string::npos) return false;
  char* end = nullptr;
  const long x = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + at) return false;
  const long y = std::strtol(text.c_str() + at + 1, &end, 10);
  if (*end != '\0' || at + 1 == text.size() || x < -100000 || x > 100000 || y < -100000 ||
      y > 100000)
    return false;
  a = static_cast<int>(x);
  b = static_cast<int>(y);
  return true;
}

}  // namespace

bool ParseViewOption(const std::string& flag, const std::string& value, ViewOptions& options,
                     bool& handled, std::string& error) {
  handled = true;
  if (flag == "--overlays") {
    options.overlays = SplitCommas(value);
    for (const std::string& name : options.overlays) {
      if (name != "cities" && name != "names" && name != "grid" && name != "marked" &&
          name != "info" && name != "quakes" && name != "moon" && name != "aurora") {
        error = "unknown overlay in";
        return false;
      }
    }
  } else if (flag == "--mark") {
    options.marks = SplitCommas(value);
  } else if (flag == "--config") {
    options.config = value;
  } else if (flag == "--quakes") {
    options.quakes = value;
  } else if (flag == "--aurora") {
    options.aurora = value;
  } else if (flag == "--pointer") {
    if (!ParsePair(value, ',', options.pointerX, options.pointerY)) {
      error = "not a point X,Y:";
      return false;
    }
  } else if (flag == "--size") {
    if (!ParsePair(value, 'x', options.width, options.height) || options.width < 1 ||
        options.height < 1 || options.width > kDibMaxSide || options.height > kDibMaxSide) {
      error = "not a size WxH from 1x1 to 16384x16384:";
      return false;
    }
  } else if (flag == "--zoom") {
    char* end = nullptr;
    const double zoom = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(zoom >= 0.2 && zoom <= 64)) {
      error = "not a zoom from 0.2 to 64:";
      return false;
    }
    options.zoom = static_cast<float>(zoom);
  } else if (flag == "--labels") {
    if (value != "placed" && value != "fixed") {
      error = "not placed or fixed:";
      return false;
    }
    options.fixedLabels = value == "fixed";
  } else if (flag == "--scroll") {
    if (!ParsePair(value, ',', options.scrollX, options.scrollY)) {
      error = "not a scroll position X,Y:";
      return false;
    }
  } else {
    handled = false;
    return true;
  }
  options.requested = true;
  return true;
}

bool ViewDrawsOverlays(const ViewOptions& options) {
  return !options.overlays.empty() || !options.marks.empty() || !options.config.empty() ||
         !options.quakes.empty() || !options.aurora.empty();
}

DibPtr RenderView(const Dib* composed, const Dib* zones, const ViewOptions& options,
                  const std::string& dataFolder, TimeValue instant, std::string& error,
                  const Dib* sharpView, int scale) {
  if (sharpView != nullptr && !ViewDrawsOverlays(options)) {
    DibPtr shown = DibCopy(sharpView);
    if (!shown) error = "cannot draw the view";
    return shown;
  }
  if (!ViewDrawsOverlays(options)) {
    // Only the view image: no text, so no Qt.
    MapView view;
    view.zoom = options.zoom;
    view.scrollX = options.scrollX;
    view.scrollY = options.scrollY;
    view.center = options.center;
    DibPtr shown = BuildViewImage(composed, view, options.width, options.height);
    if (!shown) error = "cannot draw the view";
    return shown;
  }
#ifdef MERIDIANA_CLI_OVERLAYS
  WorldData world;
  LoadWorldData(world, dataFolder, nullptr);
  for (const std::string& name : options.marks) {
    const CityLookup lookup = ResolveCityName(world, name);
    if (!lookup.city) {
      error =
          (lookup.candidates.empty() ? "no city matches '" : "several cities match '") + name + "'";
      for (const City* c : lookup.candidates)
        error += "; " + std::string(WithoutTrailingBlanks(c->name));
      return nullptr;
    }
    world.cities[static_cast<std::size_t>(lookup.city - world.cities.data())].marked = true;
  }
  if (!options.config.empty() && !ReadConfigIni(options.config, world, nullptr)) {
    error = "cannot read '" + options.config + "'";
    return nullptr;
  }
  std::vector<QuakeMark> quakes;
  std::string quakeSource;
  if (!options.quakes.empty()) {
    const std::optional<std::string> reply = ReadWholeFile(options.quakes.c_str());
    if (!reply) {
      error = "cannot read '" + options.quakes + "'";
      return nullptr;
    }
    // A saved reply may still carry its header; the records are read from the body either way.
    bool refused = false;
    const std::vector<QuakeRecord> records = ReadQuakeRecords(*reply, &refused);
    for (const QuakeRecord& quake : records)
      quakes.push_back({quake.longitude, quake.latitude, quake.magnitude});
    // Its age as of the instant drawn, as the window would have said then.
    quakeSource = QuakeSourceLine(ReadProvenance(*reply, "QUAKES"), records, instant, {});
    if (refused) {
      error = "the earthquake list in '" + options.quakes + "' is too large";
      return nullptr;
    }
  }
  AuroraGrid aurora;
  if (!options.aurora.empty()) {
    std::string problem;
    std::optional<AuroraGrid> read = ReadOvationForecastFile(options.aurora.c_str(), &problem);
    if (!read) {
      error = "the aurora forecast '" + options.aurora + "': " + problem;
      return nullptr;
    }
    aurora = std::move(*read);
  }
  // Text needs Qt's fonts, which need an application; no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Made and ended here, so that Qt's fonts are released before the program exits.
  int argc = 1;
  char name[] = "meridiana-cli";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);

  MapView view;
  view.zoom = options.zoom;
  view.scrollX = options.scrollX;
  view.scrollY = options.scrollY;
  view.center = options.center;
  std::optional<MapProjection> projection;
  if (options.projection != ProjectionKind::kRectangular) {
    // The places are the projection's; the view only gives the sizes of the markers.
    projection.emplace(options.projection, options.centerLatitude, options.center, options.width,
                       options.height);
    view.center = 0;
  }
  const FixedClock clock(instant);
  const FixedLocaleInfo locale("/");
  OverlayScene scene;
  scene.view = &view;
  scene.world = &world;
  scene.zoneImage = zones;
  scene.clock = &clock;
  scene.locale = &locale;
  scene.pointer = {options.pointerX, options.pointerY};
  const auto has = [&](const char* layer) {
    return std::find(options.overlays.begin(), options.overlays.end(), layer) !=
           options.overlays.end();
  };
  scene.layers = {has("cities"), has("names"), has("grid"), has("marked"), has("info")};
  scene.layers.earthquakes = has("quakes");
  scene.layers.moon = has("moon");
  scene.layers.aurora = has("aurora");
  scene.aurora = &aurora;
  scene.auroraLine = AuroraInfoLine(aurora, "Aurora forecast %s", "Sample:");
  scene.fixedLabels = options.fixedLabels;
  scene.quakes = &quakes;
  scene.quakeSource = quakeSource;
  if (projection) scene.projection = &*projection;
  DibPtr shown =
      sharpView != nullptr
          ? RenderSharpViewWithOverlays(sharpView, options.width, options.height, scale, scene)
          : RenderViewWithOverlays(composed, options.width, options.height, scene);
  if (!shown) error = "cannot draw the view";
  return shown;
#else
  (void)scale;
  (void)composed;
  (void)zones;
  (void)options;
  (void)dataFolder;
  (void)instant;
  error = "this meridiana-cli was built without Qt (MERIDIANA_BUILD_GUI=OFF): no overlays";
  return nullptr;
#endif
}

}  // namespace meridiana::cli
