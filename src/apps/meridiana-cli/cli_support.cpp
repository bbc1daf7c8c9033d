#include "cli_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/install_layout.h"
#include "map/image_load.h"
#include "world/city_search.h"

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

}  // namespace meridiana::cli
