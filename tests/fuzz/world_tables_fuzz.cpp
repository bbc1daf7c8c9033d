// libFuzzer harness for the packed-file reader and the four table readers: the input is tried as
// a packed file and, as plain text, by each reader. The cities it yields then go through what
// the program does with a city of an untrusted location.dat: the map projection, the local
// time and the Properties fields.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/clock.h"
#include "map/map_geometry.h"
#include "world/area_code.h"
#include "world/city.h"
#include "world/city_properties.h"
#include "world/dst_rule.h"
#include "world/local_time.h"
#include "world/locale_info.h"
#include "world/packed_data_file.h"
#include "world/world_data.h"
#include "world/zone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace meridiana;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)UnpackData(text);
  WorldData world;
  world.cities = ParseCities(text);
  world.zones = ParseZones(text);
  world.rules = ParseDstRules(text);
  world.areaCodes = ParseAreaCodes(text);

  // A fixed instant keeps runs reproducible; a few cities per input keep them fast.
  const FixedClock clock(UtcFromCalendar(2026, 3, 29, 1, 30, 0));
  const FixedLocaleInfo locale("/");
  std::size_t sink = 0;
  const std::size_t count = std::min<std::size_t>(world.cities.size(), 8);
  for (std::size_t i = 0; i < count; ++i) {
    const City& city = world.cities[i];
    const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
    const CityProperties p =
        CityPropertiesOf(world, nullptr, point.x, point.y, city, clock, locale);
    sink += p.sunrise.size() + p.dstStarts.size() + p.areaCodes.size();
    sink += static_cast<std::size_t>(LocalTimeOf(world, nullptr, point.x, point.y, &city, clock));
  }
  volatile std::size_t keep = sink + world.zones.size() + world.rules.size();
  (void)keep;
  return 0;
}
