#include "online/live_data.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace meridiana {
namespace {

bool Absolute(const char* path) { return path != nullptr && path[0] == '/'; }

// Every missing folder of the path, each with the given mode.
bool MakeFolders(const std::string& path, mode_t mode) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

LiveDataChoice ReadLiveData(const KeyValueStore* store) {
  LiveDataChoice choice;
  if (store == nullptr) return choice;
  if (const auto machine = store->Read(Hive::LocalMachine, kAppKey, kLiveDataValue)) {
    if (std::atoi(machine->c_str()) == 0) {
      choice.on = false;
      choice.locked = true;
      return choice;
    }
  }
  if (const auto user = store->Read(Hive::CurrentUser, kAppKey, kLiveDataValue))
    choice.on = std::atoi(user->c_str()) != 0;
  return choice;
}

bool StoreLiveData(KeyValueStore& store, bool on) {
  return store.Write(Hive::CurrentUser, kAppKey, kLiveDataValue, on ? "1" : "0");
}

std::string LiveDataFolder(const char* xdgCacheHome, const char* home) {
  std::string folder;
  if (Absolute(xdgCacheHome)) {
    folder = xdgCacheHome;
  } else if (Absolute(home)) {
    folder = home;
    folder += "/.cache";
  } else {
    return {};
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folder += "/meridiana/service";
  return folder;
}

std::string PrepareLiveDataFolder() {
  std::string folder = LiveDataFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  if (folder.empty() || !MakeFolders(folder, 0700)) return {};
  return folder;
}

const std::vector<std::string>& LiveDataAttributions() {
  // The cloud lines name the service's default cloud chain, entry for entry.
  static const std::vector<std::string> kLines = {
      "Earthquake data: U.S. Geological Survey (USGS), public domain",
      "Aurora forecast: NOAA Space Weather Prediction Center (OVATION), public domain",
      "Cloud images (nowcoast): NOAA/NESDIS Global Mosaic of Geostationary Satellite Imagery, "
      "through NOAA nowCOAST, public domain",
      "Cloud images (eumetsat): \u00a9 EUMETSAT (the year of each picture), EUMETView world "
      "cloud map",
      "Cloud images (matteason): contains modified EUMETSAT data; live cloud maps by Matt Eason, "
      "CC0",
  };
  return kLines;
}

std::vector<std::string> BundledServiceArguments(bool live, const std::string& folder) {
  if (!live || folder.empty()) return {};
  return {"--live", "--data", folder};
}

}  // namespace meridiana
