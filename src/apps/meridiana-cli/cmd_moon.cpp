// meridiana-cli moon: the point under the Moon, its phase, and for a city the moonrise and
// moonset of the city's local day.

#include <cstdio>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "foundation/clock.h"
#include "iso_time.h"
#include "map/map_geometry.h"
#include "world/city.h"
#include "world/city_properties.h"
#include "world/locale_info.h"
#include "world/moon.h"
#include "world/utc_offset.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kMoonUsage[] =
    "usage: meridiana-cli moon [--at YYYY-MM-DDTHH:MM:SSZ] [--city NAME] [--data DIR]\n";

}  // namespace

int RunMoon(const Args& args) {
  std::optional<TimeValue> at;
  std::string cityName, folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() || (flag != "--at" && flag != "--city" && flag != "--data")) {
      std::fprintf(stderr, "%s", kMoonUsage);
      return 2;
    }
    const std::string& value = args[++i];
    if (flag == "--at") {
      at = ParseIsoInstant(value, "moon");
      if (!at) {
        std::fprintf(stderr, "meridiana-cli moon: bad instant '%s'\n%s", value.c_str(), kMoonUsage);
        return 2;
      }
    } else if (flag == "--city") {
      cityName = value;
    } else {
      folder = value;
    }
  }
  const TimeValue now = at ? *at : SystemClock().Now();

  // The city first: an unknown name prints nothing but the complaint.
  WorldData world;
  const City* city = nullptr;
  CityProperties props;
  if (!cityName.empty()) {
    if (folder.empty()) folder = DefaultDataFolder();
    DibPtr tzImage;
    if (!LoadCliTables(folder, "moon", &world, &tzImage)) return 1;
    city = ResolveCityOption(world, "moon", cityName);
    if (city == nullptr) return 1;
    static const FixedLocaleInfo slash("/");
    const MapPoint point = BaseMapPixel(city->longitude, city->latitude);
    props = CityPropertiesOf(world, tzImage.get(), point.x, point.y, *city, FixedClock(now), slash);
  }

  const MoonPosition moon = MoonAt(now);
  std::printf("at=%sZ\n", FormatIsoInstant(now).c_str());
  std::printf("sublunar_latitude=%.4f\n", moon.subLunarLatitude);
  std::printf("sublunar_longitude=%.4f\n", moon.subLunarLongitude);
  std::printf("illuminated_fraction=%.4f\n", moon.illuminatedFraction);
  std::printf("phase=%s\n", MoonPhaseName(moon.elongation));
  std::printf("age_days=%.2f\n", MoonAgeDays(moon));
  std::printf("distance_km=%.0f\n", moon.distanceKm);
  if (city != nullptr) {
    const int offset =
        static_cast<int>(OffsetSeconds(props.utcOffsetHours)) + props.savingMinutes * 60;
    const MoonTimes times = MoonTimesForDay(now, offset, city->latitude, city->longitude);
    std::printf("city=%s\n", props.name.c_str());
    std::printf("local_time=%s\n", props.localTimeText.c_str());
    std::printf("moonrise=%s\n", times.moonrise.c_str());
    std::printf("moonset=%s\n", times.moonset.c_str());
  }
  return 0;
}

}  // namespace meridiana::cli
