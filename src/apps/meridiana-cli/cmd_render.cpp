// meridiana-cli render: the composed map for one instant, written as a PNG or BMP file.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "cli_support.h"
#include "commands.h"
#include "foundation/clock.h"
#include "foundation/user_notice.h"
#include "iso_time.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/dib_ops.h"
#include "map/globe_render.h"
#include "map/image_load.h"
#include "map/map_geometry.h"
#include "map/png_writer.h"
#include "map/sharp_map.h"
#include "map/sun_shadow.h"
#include "qt_twin.h"
#include "render_view.h"

namespace meridiana::cli {
namespace {

constexpr char kRenderUsage[] =
    "usage: meridiana-cli render [--at YYYY-MM-DDTHH:MM:SSZ] --out FILE.png|FILE.bmp\n"
    "         [--layers day,night,zones,shadow,twilight,clouds] [--clouds IMAGE] [--width W] "
    "[--data DIR]\n"
    "         [--overlays cities,names,grid,marked,info,quakes,moon,aurora] [--mark NAME,...]\n"
    "         [--config FILE] [--quakes REPLY] [--aurora FORECAST.json] [--png fast|smallest] "
    "[--center LONGITUDE]\n"
    "         [--pointer X,Y] [--size WxH] [--zoom Z] [--scroll X,Y] [--labels placed|fixed]\n"
    "         [--scale 1|2|3|4] [--projection rectangular|orthographic|azimuthal]\n"
    "         [--center-lat LATITUDE]\n";

// "day,shadow" and the like; nothing for an unknown name.
std::optional<ViewModes> ParseLayers(std::string_view list) {
  ViewModes modes;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (name == "day") {
      modes.day = true;
    } else if (name == "night") {
      modes.night = true;
    } else if (name == "zones") {
      modes.zones = true;
    } else if (name == "shadow") {
      modes.shadow = true;
    } else if (name == "twilight") {
      modes.shadow = true;
      modes.twilight = true;
    } else if (name == "clouds") {
      modes.clouds = true;
    } else if (!name.empty()) {
      return std::nullopt;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return modes;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

int Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "meridiana-cli render: %s '%s'\n", what, detail.c_str());
  return 1;
}

int BadUsage(const char* what, const std::string& detail) {
  std::fprintf(stderr, "meridiana-cli render: %s '%s'\n%s", what, detail.c_str(), kRenderUsage);
  return 2;
}

// The picture made for the instant: the composed map at base size, or a view made at `scale`
// device pixels per view pixel (the sharp view, the disc).
struct Rendered {
  const Dib* composed = nullptr;
  const Dib* deviceView = nullptr;
  int scale = 1;
};

struct Output {
  std::string path;
  bool png = true;
  PngOptions pngOptions;
  int width = 0;  // scaled to this width when above 0
};

// The view drawn over the picture when one was asked for, scaled, and written.
int ShowAndWrite(const Rendered& rendered, const ViewOptions& view, MapImages& images,
                 TimeValue instant, const Output& output) {
  const Dib* map = rendered.deviceView != nullptr ? rendered.deviceView : rendered.composed;
  DibPtr shown;
  if (view.requested) {
    std::string error;
    if (!images.LoadZones()) {
      const std::string& folder = images.folder();
      return Fail("cannot read the time-zone picture of the view",
                  folder + (folder.empty() || folder.back() == '/' ? "" : "/") + kZoneImagePath);
    }
    shown = RenderView(rendered.composed, images.zones(), view, images.folder(), instant, error,
                       rendered.deviceView, rendered.scale);
    // The error names what failed (a city, a file); the output file was never the cause.
    if (!shown) {
      std::fprintf(stderr, "meridiana-cli render: %s\n", error.c_str());
      return 1;
    }
    map = shown.get();
  }
  DibPtr scaled;
  if (output.width > 0 && output.width != DibWidth(map)) {
    scaled = DibScale(map, output.width, -1);
    if (!scaled) return Fail("cannot scale to width", std::to_string(output.width));
    map = scaled.get();
  }
  // Whole or not at all, but not waited for on the disk: a picture is made again in a moment.
  const bool written = output.png
                           ? SavePng(map, output.path.c_str(), output.pngOptions, FileSync::kNone)
                           : DibSaveBmp(map, output.path.c_str(), FileSync::kNone);
  if (!written) return Fail("cannot write", output.path);
  return 0;
}

}  // namespace

int RunRender(const Args& args) {
  std::optional<TimeValue> at;
  std::string out;
  std::string layers = "day,shadow";
  std::string clouds;
  std::string data;
  int width = 0;
  int scale = 1;          // device pixels per base-map (or view) pixel
  PngOptions pngOptions;  // fast: zlib's quickest level with the run-length strategy
  ViewOptions view;
  bool centerLatitudeGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size()) return BadUsage("missing the value of", flag);
    const std::string& value = args[++i];
    if (flag == "--at") {
      at = ParseIsoInstant(value, "render");
      if (!at) return BadUsage("not an instant:", value);
    } else if (flag == "--out") {
      out = value;
    } else if (flag == "--layers") {
      layers = value;
    } else if (flag == "--clouds") {
      clouds = value;
    } else if (flag == "--data") {
      data = value;
    } else if (flag == "--png") {
      if (value == "smallest") {
        pngOptions = kSmallestPng;
      } else if (value != "fast") {
        return BadUsage("not fast or smallest:", value);
      }
    } else if (flag == "--scale") {
      if (value.size() != 1 || value[0] < '1' || value[0] > '4')
        return BadUsage("not a scale from 1 to 4:", value);
      scale = value[0] - '0';
    } else if (flag == "--center") {
      if (!ParseMapCenter(value.c_str(), &view.center))
        return BadUsage("not a longitude from -180 to 180:", value);
    } else if (flag == "--projection") {
      const std::optional<ProjectionKind> kind = ParseProjectionKind(value);
      if (!kind) return BadUsage("not rectangular, orthographic or azimuthal:", value);
      view.projection = *kind;
    } else if (flag == "--center-lat") {
      if (!ParseCenterLatitude(value.c_str(), &view.centerLatitude))
        return BadUsage("not a latitude from -90 to 90:", value);
      centerLatitudeGiven = true;
    } else if (flag == "--width") {
      char* end = nullptr;
      const long w = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || w < 1 || w > kDibMaxSide) {
        return BadUsage("not a width from 1 to 16384:", value);
      }
      width = static_cast<int>(w);
    } else {
      bool handled = false;
      std::string error;
      if (!ParseViewOption(flag, value, view, handled, error))
        return BadUsage(error.c_str(), value);
      if (!handled) return BadUsage("unknown option", flag);
    }
  }
  if (out.empty()) return BadUsage("no output file given", "--out");
  const bool png = EndsWithNoCase(out, ".png");
  if (!png && !EndsWithNoCase(out, ".bmp"))
    return BadUsage("output must end in .png or .bmp:", out);
  const std::optional<ViewModes> modes = ParseLayers(layers);
  if (!modes) return BadUsage("unknown layer in", layers);
  if (modes->clouds && clouds.empty()) return BadUsage("the clouds layer needs", "--clouds IMAGE");
  const bool disc = view.projection != ProjectionKind::kRectangular;
  if (centerLatitudeGiven && !disc)
    return BadUsage("--center-lat needs", "--projection orthographic|azimuthal");
  if (disc && (view.zoom != 1.0f || view.scrollX != 0 || view.scrollY != 0))
    return BadUsage("--zoom and --scroll are for the rectangular map, not", "--projection");
  if (view.requested && ViewDrawsOverlays(view) && !HasQt()) return RunInQtTwin("render", args);

  SystemClock clock;
  const TimeValue instant = at ? *at : clock.Now();
  // Every picture the layers asked for must be there: a map silently missing one is not what
  // was asked for. Failures are reported here, one line each, so the images show no notice.
  MapImages images(data.empty() ? DefaultDataFolder() : data, nullptr);
  const auto picture = [&](const char* relative) {
    const std::string& folder = images.folder();
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + relative;
  };
  const ComposeSource source = ChooseComposeSource(*modes);
  const bool nightBased =
      source == ComposeSource::kNight || source == ComposeSource::kCloudsOverNight;
  const bool dayBased = source == ComposeSource::kDay || source == ComposeSource::kZones ||
                        source == ComposeSource::kCloudsOverDay;
  if (dayBased && !images.LoadDay())
    return Fail("cannot read the day picture", picture(kDayImagePath));
  if ((modes->night || (modes->shadow && !nightBased)) && !images.LoadNight())
    return Fail(modes->night ? "cannot read the night picture"
                             : "cannot read the night picture of the shadow layer",
                picture(kNightImagePath));
  if (modes->zones && !images.LoadZones())
    return Fail("cannot read the picture of the zones layer", picture(kZoneImagePath));
  if (modes->shadow && !nightBased && !SunShadowCanBeComputed(instant))
    return Fail("cannot compute the shadow (years 1950 to 2050 only) at",
                FormatIsoInstant(instant));
  if (!clouds.empty()) {
    DibPtr cloud = DibLoad(clouds.c_str(), kMapPictureMaxPixels);
    if (!cloud) return Fail("cannot read the cloud image", clouds);
    images.SetCloud(std::move(cloud));
  }

  if (disc) {
    const int deviceWidth = view.width * scale;
    const int deviceHeight = view.height * scale;
    if (static_cast<int64_t>(deviceWidth) * deviceHeight > kMapPictureMaxPixels)
      return BadUsage("too many pixels at scale", std::to_string(scale));
    const MapProjection projection(view.projection, view.centerLatitude, view.center, deviceWidth,
                                   deviceHeight);
    SharpImagery imagery(images.folder());
    imagery.Load();
    const DibPtr globe = RenderGlobe(&imagery, images, *modes, instant, projection);
    if (!globe) return Fail("no picture to write for", out);
    // The disc is the view; only overlays are drawn over it, and only they need the zones.
    view.requested = ViewDrawsOverlays(view);
    return ShowAndWrite({nullptr, globe.get(), scale}, view, images, instant,
                        {out, png, pngOptions, width});
  }

  StderrNotice notice;
  Compositor compositor(images, nullptr, &notice);
  compositor.modes = *modes;
  DibPtr sharp;
  const Dib* map = nullptr;
  if (scale == 1) {
    compositor.center = view.center;
    compositor.Compose(instant);
    map = images.composed();
  } else {
    // Composed and shaded at the scaled size, for the part of the map the view shows, from the
    // sharp pictures where the data folder has them.
    SharpFrame frame = WholeMapFrame(scale);
    frame.shift = MapCenterShift(view.center, kBaseMapWidth);
    if (view.requested) {
      frame.width = view.width * scale;
      frame.height = view.height * scale;
      frame.left = view.scrollX;
      frame.top = view.scrollY;
      frame.step = 1.0 / (static_cast<double>(view.zoom) * scale);
    }
    if (static_cast<int64_t>(frame.width) * frame.height > kMapPictureMaxPixels)
      return BadUsage("too many pixels at scale", std::to_string(scale));
    SharpImagery imagery(images.folder());
    imagery.Load();
    sharp = ComposeSharp(ChooseSharpSources(&imagery, images.day(), images.night(), images.zones(),
                                            images.cloud(), frame.step),
                         *modes, instant, frame);
    map = sharp.get();
  }
  if (!map) return Fail("no picture to write for", out);
  if (!view.requested)
    return ShowAndWrite({map, nullptr, 1}, view, images, instant, {out, png, pngOptions, width});
  return ShowAndWrite(scale == 1 ? Rendered{map, nullptr, 1} : Rendered{nullptr, map, scale}, view,
                      images, instant, {out, png, pngOptions, width});
}

}  // namespace meridiana::cli
