#include "world/host_zone.h"

#include <unistd.h>

#include <cstdlib>

#include "world/table_text.h"

namespace meridiana {

City* CityOfHostZone(WorldData& world, std::string_view zoneName) {
  const std::size_t slash = zoneName.rfind('/');
  std::string place(slash == std::string_view::npos ? zoneName : zoneName.substr(slash + 1));
  if (place.empty()) return nullptr;
  std::string spaced = place;
  for (char& c : spaced)
    if (c == '_') c = ' ';
  const Zone* zone = nullptr;
  for (const Zone& z : world.zones) {
    if (EqualsIgnoreCase(z.zoneCity, place)) {
      zone = &z;
      break;
    }
  }
  City* nearest = nullptr;
  double best = 0;
  for (City& city : world.cities) {
    if (!EqualsIgnoreCase(city.zoneKey, place)) continue;
    if (EqualsIgnoreCase(WithoutTrailingBlanks(city.name), spaced)) return &city;
    if (!zone) continue;
    const double dx = city.longitude - zone->longitude;
    const double dy = city.latitude - zone->latitude;
    const double distance = dx * dx + dy * dy;
    if (!nearest || distance < best) {
      nearest = &city;
      best = distance;
    }
  }
  return nearest;
}

std::string HostZoneName() {
  const auto belowZoneinfo = [](const std::string& path) {
    const std::size_t at = path.find("zoneinfo/");
    return at == std::string::npos ? path : path.substr(at + 9);
  };
  if (const char* tz = std::getenv("TZ"); tz && *tz)
    return belowZoneinfo(tz[0] == ':' ? tz + 1 : tz);
  char target[4096];
  const ssize_t n = ::readlink("/etc/localtime", target, sizeof target - 1);
  if (n <= 0) return {};
  const std::string path(target, static_cast<std::size_t>(n));
  return path.find("zoneinfo/") == std::string::npos ? std::string() : belowZoneinfo(path);
}

}  // namespace meridiana
