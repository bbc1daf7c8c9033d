// meridiana-cli cities: every city with what the Properties dialog shows about it, for one
// instant, as tab-separated lines; meridiana-cli city: the dialog's fields for one city.

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
#include "world/place_names.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kCitiesUsage[] =
    "usage: meridiana-cli cities [--at YYYY-MM-DDTHH:MM:SSZ] [--lang CODE] [--data DIR]\n";
constexpr char kCityUsage[] =
    "usage: meridiana-cli city NAME [--at YYYY-MM-DDTHH:MM:SSZ] [--lang CODE] [--data DIR]\n";

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

// The options both commands take; false after a usage message.
bool ParseOptions(const Args& args, std::size_t first, const char* command, const char* usage,
                  std::optional<TimeValue>* at, std::string* folder, std::string* language) {
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() || (flag != "--at" && flag != "--data" && flag != "--lang")) {
      std::fprintf(stderr, "%s", usage);
      return false;
    }
    const std::string& value = args[++i];
    if (flag == "--at") {
      *at = ParseIsoInstant(value, command);
      if (!*at) {
        std::fprintf(stderr, "meridiana-cli %s: bad instant '%s'\n%s", command, value.c_str(),
                     usage);
        return false;
      }
    } else if (flag == "--lang") {
      *language = value;
    } else {
      *folder = value;
    }
  }
  if (folder->empty()) *folder = DefaultDataFolder();
  return true;
}

// What the Properties dialog shows, with the offset read at the city's own point, as the
// marked-city labels read it (the command line has no right-click).
CityProperties PropertiesAt(const WorldData& world, const Dib* tzImage, const City& city,
                            const Clock& clock) {
  static const FixedLocaleInfo slash("/");
  const MapPoint point = BaseMapPixel(city.longitude, city.latitude);
  return CityPropertiesOf(world, tzImage, point.x, point.y, city, clock, slash);
}

}  // namespace

int RunCities(const Args& args) {
  std::optional<TimeValue> at;
  std::string folder;
  std::string language;
  if (!ParseOptions(args, 0, "cities", kCitiesUsage, &at, &folder, &language)) return 2;
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "cities", &world, &tzImage)) return 1;
  if (!LoadCliLanguage(world, folder, "cities", language)) return 2;
  // In a language the English names follow as three more columns; in English the lines are as
  // they always were.
  const bool english = language.empty() || language == "en";

  const FixedClock clock(at ? *at : SystemClock().Now());
  if (english) {
    std::fputs(kCitiesHeader, stdout);
  } else {
    std::fwrite(kCitiesHeader, 1, sizeof kCitiesHeader - 2, stdout);  // without its line end
    std::fputs("\tname_en\tstate_en\tcountry_en\n", stdout);
  }
  for (const City& city : world.cities) {
    const CityProperties p = PropertiesAt(world, tzImage.get(), city, clock);
    const std::string* state = StateNameOf(world, city);
    PutField(p.name);
    PutField(state ? *state : "");
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
    PutField(p.areaCodes, english);
    if (!english) {
      const std::string* country = CountryOfCity(world, city);
      PutField(WithoutTrailingBlanks(city.name));
      PutField(city.state.value_or(""));
      PutField(country ? *country : "", true);
    }
  }
  return 0;
}

int RunCity(const Args& args) {
  if (args.empty() || args[0].empty() || args[0].front() == '-') {
    std::fprintf(stderr, "%s", kCityUsage);
    return 2;
  }
  std::optional<TimeValue> at;
  std::string folder;
  std::string language;
  if (!ParseOptions(args, 1, "city", kCityUsage, &at, &folder, &language)) return 2;
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "city", &world, &tzImage)) return 1;
  if (!LoadCliLanguage(world, folder, "city", language)) return 2;
  const City* city = ResolveCityOption(world, "city", args[0], language);
  if (city == nullptr) return 1;
  const FixedClock clock(at ? *at : SystemClock().Now());
  const CityProperties p = PropertiesAt(world, tzImage.get(), *city, clock);
  // The dialog's fields in the order it fills them.
  const std::pair<const char*, const std::string*> fields[] = {
      {"city", &p.name},
      {"country", &p.country},
      {"local_time", &p.localTimeText},
      {"sunrise", &p.sunrise},
      {"sunset", &p.sunset},
      {"sunrise_clock", &p.clockSunrise},
      {"sunset_clock", &p.clockSunset},
      {"latitude", &p.latitude},
      {"longitude", &p.longitude},
      {"tel", &p.areaCodes},
      {"country_code", &p.countryCode},
      {"dst_starts", &p.dstStarts},
      {"dst_ends", &p.dstEnds},
      {"civil_dawn", &p.civilDawn},
      {"civil_dusk", &p.civilDusk},
      {"nautical_dawn", &p.nauticalDawn},
      {"nautical_dusk", &p.nauticalDusk},
      {"astronomical_dawn", &p.astronomicalDawn},
      {"astronomical_dusk", &p.astronomicalDusk}};
  for (const auto& [name, value] : fields) {
    std::printf("%s=", name);
    for (char c : *value) std::fputc(c == '\r' || c == '\n' ? ' ' : c, stdout);
    std::fputc('\n', stdout);
  }
  if (!language.empty() && language != "en") {
    const std::string* country = CountryOfCity(world, *city);
    std::printf("city_en=%s\ncountry_en=%s\n", std::string(WithoutTrailingBlanks(city->name)).c_str(),
                country ? country->c_str() : "");
  }
  return 0;
}

}  // namespace meridiana::cli
