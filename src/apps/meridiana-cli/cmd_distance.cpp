// meridiana-cli distance: the geodesic distance and bearings between two places, each a city,
// LAT,LON or home (the settings' home city, as the window's read-out measures from it).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "foundation/file_key_value_store.h"
#include "foundation/file_util.h"
#include "foundation/ini_text.h"
#include "world/geodesic.h"
#include "world/host_zone.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kDistanceUsage[] =
    "usage: meridiana-cli distance FROM TO [--config FILE] [--data DIR]\n";
constexpr char kHomeWord[] = "home";
// Printed where no bearing is defined: between a point and itself, leaving or reaching a pole.
constexpr char kNoBearing[] = "undefined";

struct Place {
  std::string label;
  GeoPoint point;
};

void PrintBearing(const char* name, const std::optional<double>& bearing) {
  if (!bearing) {
    std::printf("%s=%s\n", name, kNoBearing);
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", *bearing);
  // 359.99996 rounds to 360.0000, which is north again.
  std::printf("%s=%s\n", name, std::string(text) == "360.0000" ? "0.0000" : text);
}

// The `home` setting: from the settings file given, else the user's own under the installed
// defaults. None when the file given cannot be read (told on standard error).
std::optional<std::string> HomeSetting(const std::string& config, const std::string& folder) {
  if (config.empty()) {
    const FileKeyValueStore store(FileKeyValueStore::DefaultConfigFolder(), folder);
    return store.Read(Hive::CurrentUser, kAppKey, kHomeWord).value_or("");
  }
  errno = 0;
  const std::optional<std::string> text = ReadWholeFile(config.c_str());
  if (!text) {
    const int error = errno;
    std::fprintf(stderr, "meridiana-cli distance: cannot read the settings file '%s': %s\n",
                 config.c_str(), error != 0 ? std::strerror(error) : "not a readable file");
    return std::nullopt;
  }
  return ParseIniText(*text).Get(kAppKey, kHomeWord).value_or("");
}

}  // namespace

int RunDistance(const Args& args) {
  std::vector<std::string> places;
  std::string folder;
  std::string config;
  for (std::size_t i = 0; i < args.size(); ++i) {
    // "-33.87,151.21" is a place: only what is not one can be an option.
    if (args[i] == "--data" && i + 1 < args.size()) {
      folder = args[++i];
    } else if (args[i] == "--config" && i + 1 < args.size()) {
      config = args[++i];
    } else if (!args[i].empty() && (args[i].front() != '-' || ParseLatLon(args[i]))) {
      places.push_back(args[i]);
    } else {
      std::fprintf(stderr, "%s", kDistanceUsage);
      return 2;
    }
  }
  if (places.size() != 2) {
    std::fprintf(stderr, "%s", kDistanceUsage);
    return 2;
  }
  // The tables are read only when a place is a city's name.
  std::optional<WorldData> world;
  Place resolved[2];
  for (int i = 0; i < 2; ++i) {
    const std::string& text = places[static_cast<std::size_t>(i)];
    if (const std::optional<GeoPoint> point = ParseLatLon(text)) {
      char label[64];
      std::snprintf(label, sizeof label, "%.4f,%.4f", point->latitude, point->longitude);
      resolved[i] = {label, *point};
      continue;
    }
    const std::string data = folder.empty() ? DefaultDataFolder() : folder;
    if (!world) {
      world.emplace();
      DibPtr tzImage;
      if (!LoadCliTables(data, "distance", &*world, &tzImage)) return 1;
    }
    const City* city = nullptr;
    if (text == kHomeWord) {
      const std::optional<std::string> setting = HomeSetting(config, data);
      if (!setting) return 1;
      city = HomeCity(*world, *setting, CityOfHostZone(*world, HostZoneName()));
      if (city == nullptr) {
        std::fprintf(stderr,
                     "meridiana-cli distance: no home city: the setting names none (\"%s\") and "
                     "the computer's zone has no city\n",
                     setting->c_str());
        return 1;
      }
    } else {
      city = ResolveCityOption(*world, "distance", text);
      if (city == nullptr) return 1;
    }
    resolved[i] = {CityLabel(*world, *city), PlaceOf(*city)};
  }
  const GeodesicPath path = GeodesicBetween(resolved[0].point, resolved[1].point);
  std::printf("from=%s\nto=%s\ndistance_km=%.4f\n", resolved[0].label.c_str(),
              resolved[1].label.c_str(), path.meters / 1000.0);
  PrintBearing("initial_bearing", path.initialBearing);
  PrintBearing("final_bearing", path.finalBearing);
  return 0;
}

}  // namespace meridiana::cli
