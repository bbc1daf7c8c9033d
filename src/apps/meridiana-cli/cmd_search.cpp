// meridiana-cli search: the cities that typed text finds, best first, as tab-separated lines.

#include <cstdio>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "world/city_search.h"
#include "world/place_names.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kSearchUsage[] = "usage: meridiana-cli search TEXT [--limit N] [--lang CODE] [--data DIR]\n";
constexpr long kDefaultLimit = 20;

void PutField(const std::string& text, char end) {
  for (char c : text) std::fputc(c == '\t' || c == '\r' || c == '\n' ? ' ' : c, stdout);
  std::fputc(end, stdout);
}

}  // namespace

int RunSearch(const Args& args) {
  if (args.empty() || args[0].empty() || args[0].front() == '-') {
    std::fprintf(stderr, "%s", kSearchUsage);
    return 2;
  }
  long limit = kDefaultLimit;
  std::string folder;
  std::string language;
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || (args[i] != "--limit" && args[i] != "--data" &&
                                args[i] != "--lang")) {
      std::fprintf(stderr, "%s", kSearchUsage);
      return 2;
    }
    if (args[i] == "--data") {
      folder = args[i + 1];
      continue;
    }
    if (args[i] == "--lang") {
      language = args[i + 1];
      continue;
    }
    const auto value = WholeNumberOption("search", "--limit", args[i + 1], 1, 100000);
    if (!value) return 2;
    limit = *value;
  }
  if (folder.empty()) folder = DefaultDataFolder();
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "search", &world, &tzImage)) return 1;
  if (!LoadCliLanguage(world, folder, "search", language)) return 2;
  const bool english = language.empty() || language == "en";
  const auto found = SearchCities(world, args[0], static_cast<std::size_t>(limit), language);
  if (found.empty()) {
    std::fprintf(stderr, "meridiana-cli search: no city matches '%s'\n", args[0].c_str());
    return 1;
  }
  std::fputs(english ? "name\tstate\tcountry\tlatitude\tlongitude\n"
                     : "name\tstate\tcountry\tlatitude\tlongitude\tname_en\tstate_en\tcountry_en\n",
             stdout);
  for (const City* city : found) {
    const std::string* country = CountryNameOfCity(world, *city);
    const std::string* state = StateNameOf(world, *city);
    char latitude[32];
    char longitude[32];
    std::snprintf(latitude, sizeof latitude, "%.4f", static_cast<double>(city->latitude));
    std::snprintf(longitude, sizeof longitude, "%.4f", static_cast<double>(city->longitude));
    PutField(std::string(WithoutTrailingBlanks(CityNameOf(world, *city))), '\t');
    PutField(state ? *state : "", '\t');
    PutField(country ? *country : "", '\t');
    PutField(latitude, '\t');
    PutField(longitude, english ? '\n' : '\t');
    if (!english) {
      const std::string* englishCountry = CountryOfCity(world, *city);
      PutField(std::string(WithoutTrailingBlanks(city->name)), '\t');
      PutField(city->state.value_or(""), '\t');
      PutField(englishCountry ? *englishCountry : "", '\n');
    }
  }
  return 0;
}

}  // namespace meridiana::cli
