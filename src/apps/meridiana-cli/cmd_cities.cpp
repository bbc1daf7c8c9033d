// meridiana-cli cities: every city with what the Properties dialog shows about it, for one
// instant, as tab-separated lines.

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
#include "map/image_load.h"
#include "map/map_geometry.h"
#include "world/city_properties.h"
#include "world/locale_info.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kCitiesUsage[] =
    "usage: meridiana-cli cities [--at YYYY-MM-DDTHH:MM:SSZ] [--data DIR]\n";

constexpr char kCitiesHeader[] =
    "name\tstate\tcountry\tlatitude\tlongitude\tzone_key\tutc_offset_hours\tsaving_minutes\t"
    "local_time\tlocal_iso\tsunrise\tsunset\tdst_starts\tdst_ends\tcountry_code\tarea_codes\n";

// A field of a TSV line: the tables' texts may hold TABs or line ends where a line lacked a field.
void PutField(std::string_view text, bool last = false) {
  for (char c : text) std::fputc(c == '\t' || c == '\r' || c == '\n' ? ' ' : c, stdout);
  std::fputc(last ? '\n' : '\t', stdout);
}

std::string Number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Remembers that a load failed, and shows nothing.
struct FailureNotice : UserNotice {
  bool failed = false;
  void ShowMessage(std::string_view, std::string_view) override { failed = true; }
  void ShowStatus(int, std::string_view) override {}
};

}  // namespace

int RunCities(const Args& args) {
  std::optional<TimeValue> at;
  std::string folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() || (flag != "--at" && flag != "--data")) {
      std::fprintf(stderr, "%s", kCitiesUsage);
      return 2;
    }
    const std::string& value = args[++i];
    if (flag == "--at") {
      at = ParseIsoInstant(value);
      if (!at) {
        std::fprintf(stderr, "meridiana-cli cities: bad instant '%s'\n%s", value.c_str(),
                     kCitiesUsage);
        return 2;
      }
    } else {
      folder = value;
    }
  }
  if (folder.empty()) folder = DefaultDataFolder();

  // Without the cities there is nothing to list: that is a failure, told in one line. The other
  // tables only thin the listing out, so their notices are shown and the listing goes on.
  WorldData world;
  const std::string citiesPath = folder + "/" + kCitiesFile;
  FailureNotice citiesFailure;
  LoadCities(world, citiesPath.c_str(), &citiesFailure);
  if (citiesFailure.failed) {
    std::fprintf(stderr, "meridiana-cli cities: cannot read the cities '%s'\n", citiesPath.c_str());
    return 1;
  }
  StderrNotice notice;
  LoadZones(world, (folder + "/" + kZonesFile).c_str(), &notice);
  LoadDstRules(world, (folder + "/" + kDstRulesFile).c_str(), &notice);
  LoadAreaCodes(world, (folder + "/" + kAreaCodesFile).c_str(), &notice);
  const std::string imagePath = folder + "/images/earth_tz.bmp";
  DibPtr tzImage = DibLoad(imagePath.c_str(), kMapPictureMaxPixels);
  if (!tzImage) {
    std::fprintf(stderr, "meridiana-cli: no time-zone image '%s': every offset is 0\n",
                 imagePath.c_str());
  }

  const FixedClock clock(at ? *at : SystemClock().Now());
  const FixedLocaleInfo slash("/");
  std::fputs(kCitiesHeader, stdout);
  for (const City& city : world.cities) {
    // The offset is read at the city's own point, as the marked-city labels read it.
    const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
    const CityProperties p =
        CityPropertiesOf(world, tzImage.get(), point.x, point.y, city, clock, slash);
    PutField(p.name);
    PutField(city.state.value_or(""));
    PutField(p.country);
    PutField(p.latitude);
    PutField(p.longitude);
    PutField(city.zoneKey);
    PutField(Number("%g", static_cast<double>(p.utcOffsetHours)));
    PutField(std::to_string(p.savingMinutes));
    PutField(p.localTimeText);
    PutField(FormatIsoInstant(p.localTime));
    PutField(p.sunrise);
    PutField(p.sunset);
    PutField(p.dstStarts);
    PutField(p.dstEnds);
    PutField(p.countryCode);
    PutField(p.areaCodes, true);
  }
  return 0;
}

}  // namespace meridiana::cli
