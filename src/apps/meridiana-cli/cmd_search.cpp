// meridiana-cli search: the cities that typed text finds, best first, as tab-separated lines.

#include <cstdio>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "world/city_search.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kSearchUsage[] = "usage: meridiana-cli search TEXT [--limit N] [--data DIR]\n";
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
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || (args[i] != "--limit" && args[i] != "--data")) {
      std::fprintf(stderr, "%s", kSearchUsage);
      return 2;
    }
    if (args[i] == "--data") {
      folder = args[i + 1];
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
  const auto found = SearchCities(world, args[0], static_cast<std::size_t>(limit));
  if (found.empty()) {
    std::fprintf(stderr, "meridiana-cli search: no city matches '%s'\n", args[0].c_str());
    return 1;
  }
  std::fputs("name\tstate\tcountry\tlatitude\tlongitude\n", stdout);
  for (const City* city : found) {
    const std::string* country = CountryOfCity(world, *city);
    char latitude[32];
    char longitude[32];
    std::snprintf(latitude, sizeof latitude, "%.4f", static_cast<double>(city->latitude));
    std::snprintf(longitude, sizeof longitude, "%.4f", static_cast<double>(city->longitude));
    PutField(std::string(WithoutTrailingBlanks(city->name)), '\t');
    PutField(city->state.value_or(""), '\t');
    PutField(country ? *country : "", '\t');
    PutField(latitude, '\t');
    PutField(longitude, '\n');
  }
  return 0;
}

}  // namespace meridiana::cli
