// meridiana-cli distance: the geodesic distance and bearings between two places, each a city or
// LAT,LON, as the window's read-out from home measures them.

#include <cstdio>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "world/geodesic.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kDistanceUsage[] = "usage: meridiana-cli distance FROM TO [--data DIR]\n";
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

}  // namespace

int RunDistance(const Args& args) {
  std::vector<std::string> places;
  std::string folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    // "-33.87,151.21" is a place: only what is not one can be an option.
    if (args[i] == "--data" && i + 1 < args.size()) {
      folder = args[++i];
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
    if (!world) {
      world.emplace();
      DibPtr tzImage;
      if (!LoadCliTables(folder.empty() ? DefaultDataFolder() : folder, "distance", &*world,
                         &tzImage))
        return 1;
    }
    const City* city = ResolveCityOption(*world, "distance", text);
    if (city == nullptr) return 1;
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
