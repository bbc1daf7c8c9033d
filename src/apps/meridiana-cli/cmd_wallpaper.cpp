// meridiana-cli wallpaper on|off|refresh: wallpaper mode without a window, through the same
// settings and the same desktop back-ends as the window, so a timer or a login script can keep
// the map on the desktop with no display connection and no Qt platform.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "iso_time.h"
#include "map/map_geometry.h"
#include "qt_twin.h"

#ifdef MERIDIANA_CLI_OVERLAYS
#include <QDir>

#include "foundation/file_key_value_store.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/sharp_map.h"
#include "shell/app/data_paths.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/desktop/wallpaper_globe.h"
#include "shell/desktop/wallpaper_mode.h"
#include "world/world_data.h"
#endif

namespace meridiana::cli {
namespace {

constexpr char kWallpaperUsage[] =
    "usage: meridiana-cli wallpaper on|off|refresh [--width W] [--at YYYY-MM-DDTHH:MM:SSZ] "
    "[--data DIR] [--center LONGITUDE]\n";

}  // namespace

int RunWallpaper(const Args& args) {
  if (args.empty() || (args[0] != "on" && args[0] != "off" && args[0] != "refresh")) {
    std::fprintf(stderr, "%s", kWallpaperUsage);
    return 2;
  }
  int width = 0;
  std::optional<TimeValue> at;
  std::string data;
  std::optional<double> center;
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "%s", kWallpaperUsage);
      return 2;
    }
    if (args[i] == "--width") {
      const auto value = WholeNumberOption("wallpaper", "--width", args[i + 1], 0, 16384);
      if (!value) return 2;
      width = static_cast<int>(*value);
    } else if (args[i] == "--at") {
      at = ParseIsoInstant(args[i + 1], "wallpaper");
      if (!at) {
        std::fprintf(stderr, "%s", kWallpaperUsage);
        return 2;
      }
    } else if (args[i] == "--data") {
      data = args[i + 1];
    } else if (args[i] == "--center") {
      double value = 0;
      if (!ParseMapCenter(args[i + 1].c_str(), &value)) {
        std::fprintf(stderr, "meridiana-cli wallpaper: not a longitude from -180 to 180: '%s'\n%s",
                     args[i + 1].c_str(), kWallpaperUsage);
        return 2;
      }
      center = value;
    } else {
      std::fprintf(stderr, "%s", kWallpaperUsage);
      return 2;
    }
  }
#ifdef MERIDIANA_CLI_OVERLAYS
  const std::string folder = data.empty() ? DefaultDataFolder() : data;
  FileKeyValueStore store(FileKeyValueStore::DefaultConfigFolder(), folder);
  SettingsRegistry registry(&store, std::string(kAppKey));
  Settings settings;
  ReadWallpaperValues(registry, &settings);
  ReadWallpaperGlobeValues(registry, &settings);
  const bool wasOn = settings.wallpaper != 0;

  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  std::string unknown;
  const std::unique_ptr<WallpaperBackend> backend =
      WallpaperBackendFor(desktop != nullptr ? desktop : "", &unknown);
  const std::string userFolder = ResolveUserFolder(ProcessEnv);
  QDir().mkpath(QString::fromStdString(userFolder));  // as the window makes it
  WallpaperMode mode(backend.get(), userFolder, unknown);

  WallpaperOutcome outcome{true, {}};
  if (args[0] == "off") {
    if (!wasOn) return 0;  // nothing of ours on the desktop
    outcome = mode.Restore(settings);
    if (outcome.ok) settings.wallpaper = 0;
  } else {
    if (args[0] == "refresh" && !wasOn) {
      std::fprintf(stderr, "meridiana-cli wallpaper: wallpaper mode is off, nothing to refresh\n");
      return 0;
    }
    // The map as the window composes it from the kept view switches.
    const auto flag = [&](const char* name, int fallback) {
      int value = fallback;
      registry.ReadIntSetting(name, &value);
      return value != 0;
    };
    // Centred as the window centres it, unless the command names a centre.
    Settings stored;
    ReadMapCenterValue(registry, &stored);
    ViewModes modes;
    modes.day = flag("day", 0);
    modes.night = flag("night", 0);
    modes.zones = flag("zones", 0);
    modes.shadow = flag("shadow", 1) && !modes.night;
    modes.twilight = modes.shadow && flag("twilight", 0);
    MapImages images(folder, nullptr);
    images.LoadDay();
    images.LoadNight();
    images.LoadZones();
    StderrNotice notice;
    Compositor compositor(images, nullptr, &notice);
    compositor.modes = modes;
    compositor.center = center.value_or(stored.center);
    SystemClock clock;
    const TimeValue instant = at ? *at : clock.Now();
    DibPtr globe;
    if (WallpaperProjectionOf(settings) != ProjectionKind::kRectangular) {
      // The disc the window draws, centred on the place the settings name.
      WorldData world;
      LoadWorldData(world, folder, nullptr);
      SharpImagery sharp(folder);
      sharp.Load();
      globe = RenderWallpaperGlobe(settings, world, CityOfHostZone(world, HostZoneName()), &sharp,
                                   images, modes, instant, width);
    }
    if (!globe) compositor.Compose(instant);
    outcome = mode.Show(globe ? globe.get() : images.composed(), width, settings, !wasOn);
    if (outcome.ok) settings.wallpaper = 1;
  }
  WriteWallpaperValues(registry, settings);
  if (!outcome.ok) {
    std::fprintf(stderr, "meridiana-cli wallpaper: %s\n", outcome.message.c_str());
    return 1;
  }
  return 0;
#else
  (void)width;
  (void)at;
  (void)center;
  return RunInQtTwin("wallpaper", args);
#endif
}

}  // namespace meridiana::cli
