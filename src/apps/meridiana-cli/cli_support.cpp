#include "cli_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/install_layout.h"
#include "map/image_load.h"
#include "world/city_search.h"
#include "world/language_files.h"
#include "world/place_names.h"

namespace meridiana::cli {
namespace {

// Remembers that a load failed, and shows nothing.
struct FailureNotice : UserNotice {
  bool failed = false;
  void ShowMessage(std::string_view, std::string_view) override { failed = true; }
  void ShowStatus(int, std::string_view) override {}
};

}  // namespace

std::string SocketErrorText(long number) {
  std::string text = number > 0 && number < 4096 ? std::strerror(static_cast<int>(number))
                                                   : "Socket error";
  text += " (";
  text += std::to_string(number);
  text += ')';
  return text;
}

void StderrNotice::ShowMessage(std::string_view caption, std::string_view text) {
  std::fprintf(stderr, "meridiana-cli: %.*s: %.*s\n", static_cast<int>(caption.size()),
               caption.data(), static_cast<int>(text.size()), text.data());
}

std::string ProgramFolder() { return ExecutableFolder(); }

std::string DefaultDataFolder() {
  const char* installed = std::getenv("MERIDIANA_DATA");
  return installed && *installed ? std::string(installed) : DataFolderBeside(ProgramFolder());
}

bool LoadCliTables(const std::string& folder, const char* command, WorldData* world,
                   DibPtr* tzImage) {
  const std::string citiesPath = folder + "/" + kCitiesFile;
  FailureNotice citiesFailure;
  LoadCities(*world, citiesPath.c_str(), &citiesFailure);
  if (citiesFailure.failed) {
    std::fprintf(stderr, "meridiana-cli %s: cannot read the cities '%s'\n", command,
                 citiesPath.c_str());
    return false;
  }
  StderrNotice notice;
  LoadZones(*world, (folder + "/" + kZonesFile).c_str(), &notice);
  LoadDstRules(*world, (folder + "/" + kDstRulesFile).c_str(), &notice);
  LoadAreaCodes(*world, (folder + "/" + kAreaCodesFile).c_str(), &notice);
  IndexCitySearch(*world);
  const std::string imagePath = folder + "/images/earth_tz.bmp";
  *tzImage = DibLoad(imagePath.c_str(), kMapPictureMaxPixels);
  if (!*tzImage) {
    std::fprintf(stderr, "meridiana-cli: no time-zone image '%s': every offset is 0\n",
                 imagePath.c_str());
  }
  return true;
}

std::optional<long> WholeNumberOption(const char* command, std::string_view option,
                                      const std::string& value, long min, long max) {
  errno = 0;
  char* end = nullptr;
  const long number = std::strtol(value.c_str(), &end, 10);
  if (!value.empty() && errno == 0 && *end == '\0' && number >= min && number <= max)
    return number;
  std::fprintf(stderr, "meridiana-cli %s: %.*s wants a whole number from %ld to %ld, not '%s'\n",
               command, static_cast<int>(option.size()), option.data(), min, max, value.c_str());
  return std::nullopt;
}

bool LoadCliLanguage(WorldData& world, const std::string& folder, const char* command,
                     const std::string& code) {
  if (code.empty() || code == "en") return true;
  if (LoadPlaceNames(world, code, {folder})) return true;
  if (LanguageFilePath(code, {folder})) return true;  // a language without names of its own
  std::fprintf(stderr, "meridiana-cli %s: no language '%s' in '%s/lang'\n", command, code.c_str(),
               folder.c_str());
  return false;
}

bool Localized(const WorldData& world) { return world.placeNames != nullptr; }

std::string CityLabel(const WorldData& world, const City& city) {
  std::string label(WithoutTrailingBlanks(CityNameOf(world, city)));
  const std::string* state = StateNameOf(world, city);
  std::string where = state ? *state : "";
  if (const std::string* country = CountryNameOfCity(world, city))
    where += (where.empty() ? "" : ", ") + *country;
  if (!where.empty()) label += " (" + where + ")";
  return label;
}

const City* ResolveCityOption(const WorldData& world, const char* command,
                              const std::string& name, const std::string& language) {
  const CityLookup lookup = ResolveCityName(world, name, language);
  if (lookup.city) return lookup.city;
  if (lookup.candidates.empty()) {
    std::fprintf(stderr, "meridiana-cli %s: no city matches '%s'\n", command, name.c_str());
    return nullptr;
  }
  std::string list;
  for (const City* city : lookup.candidates) list += "\n  " + CityLabel(world, *city);
  std::fprintf(stderr, "meridiana-cli %s: '%s' matches several cities; did you mean one of:%s\n",
               command, name.c_str(), list.c_str());
  return nullptr;
}

}  // namespace meridiana::cli
