#include "shell/app/settings_store.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "foundation/file_util.h"
#include "foundation/key_value_store.h"
#include "foundation/localized_strings.h"
#include "foundation/message_box.h"
#include "foundation/number_text.h"
#include "foundation/text_util.h"
#include "map/map_geometry.h"
#include "online/cloud_service.h"
#include "world/table_text.h"

namespace meridiana {
namespace {

constexpr std::size_t kIntBuffer = 30;
constexpr std::size_t kTextBuffer = 10000;
constexpr int kLineBuffer = 1000;
// A C= line longer than this would be read back in pieces.
constexpr std::size_t kLongestLine = ReadLineLimit(kLineBuffer);
constexpr char kLanguageValue[] = "lang";

struct IntSetting {
  const char* name;
  int Settings::*field;
};

// In the order they are read and written.
constexpr IntSetting kSwitches[] = {
    {"shadow", &Settings::shadow},
    {"cities", &Settings::cities},
    {"marked", &Settings::marked},
    {"track", &Settings::track},
};
constexpr IntSetting kViewValues[] = {
    {"grid", &Settings::grid},         {"day", &Settings::day},         {"night", &Settings::night},
    {"zones", &Settings::zones},       {"refresh", &Settings::refresh}, {"info", &Settings::info},
    {"loop", &Settings::loop},         {"cx", &Settings::cx},           {"cy", &Settings::cy},
    {"twilight", &Settings::twilight},
};

bool StartsWithNoCase(const char* line, char letter) {
  return AsciiUpper(line[0]) == letter && line[1] == '=';
}

int Truncated(double value) {
  int out = 0;
  return TruncateToInt(value, out) ? out : 0;
}

// The cities by truncated longitude, each bucket in list order: a saved mark only ever matches
// a city of its own bucket, so a long config.ini is read in time linear in its size.
class MarkIndex {
 public:
  explicit MarkIndex(std::vector<City>& cities) {
    for (City& city : cities) {
      int longitude = 0;
      if (TruncateToInt(city.longitude, longitude)) buckets_[longitude].push_back(&city);
    }
  }
  // The first city of the bucket whose whole name prefixes the saved text, ignoring case.
  City* Find(std::string_view savedText, int savedLongitude) const {
    const auto it = buckets_.find(savedLongitude);
    if (it == buckets_.end()) return nullptr;
    for (City* city : it->second) {
      if (city->name.size() <= savedText.size() &&
          EqualsIgnoreCase(city->name, savedText.substr(0, city->name.size())))
        return city;
    }
    return nullptr;
  }

 private:
  std::map<int, std::vector<City*>> buckets_;
};

void ReadFrameLine(const char* line, std::vector<SavedFrame>& frames) {
  if (static_cast<int>(frames.size()) >= kMaxSavedFrames) return;
  const char* fields = line + 2;
  SavedFrame frame;
  frame.first = CommaField(fields, 0).value_or("");
  frame.second = CommaField(fields, 1).value_or("");
  frame.third = CommaField(fields, 2).value_or("");
  frame.firstNumber = std::atoi(CommaField(fields, 3).value_or("").c_str());
  if (const std::optional<std::string> second = CommaField(fields, 4))
    frame.secondNumber = std::atoi(second->c_str());
  frames.push_back(std::move(frame));
}

void ReadMarkLine(const char* line, const MarkIndex& index) {
  const char* comma = std::strchr(line, ',');
  if (!comma) return;
  const int longitude = Truncated(std::atof(comma + 1));
  if (City* city = index.Find(line + 2, longitude)) city->marked = true;
}

// Every value the save writes under the application key, in its order, as the registry holds it.
std::vector<std::pair<std::string, std::string>> SettingValues(const Settings& s) {
  std::vector<std::pair<std::string, std::string>> values = {{"help", "0"},
                                                             {"view", std::to_string(s.view)}};
  for (const IntSetting& v : kSwitches) values.emplace_back(v.name, std::to_string(s.*v.field));
  for (const IntSetting& v : kViewValues) values.emplace_back(v.name, std::to_string(s.*v.field));
  values.emplace_back("zoom", FloatToText(s.zoom, 4));
  values.emplace_back("wallpaper", std::to_string(s.wallpaper));
  values.emplace_back("zoomanchor", std::to_string(s.zoomAnchor));
  if (s.moon != 0 || s.moonStored) values.emplace_back("moon", std::to_string(s.moon));
  if (s.aurora != 0 || s.auroraStored) values.emplace_back("aurora", std::to_string(s.aurora));
  if (s.sharp != 1 || s.sharpStored) values.emplace_back("sharp", std::to_string(s.sharp));
  if (s.center != 0 || s.centerStored) values.emplace_back("center", MapCenterText(s.center));
  if (s.timebar != 0 || s.timebarStored) values.emplace_back("timebar", std::to_string(s.timebar));
  if (!s.planHours.empty()) {
    values.emplace_back("plancities", s.planCities);
    values.emplace_back("planhours", s.planHours);
  }
  if (!s.home.empty() || s.homeStored) values.emplace_back("home", s.home);
  if (!s.clocksPlace.empty()) values.emplace_back("clocksplace", s.clocksPlace);
  if (!s.wallpaperKeptUnreadable) {
    values.emplace_back("wallpaperfile", s.wallpaperFile);
    values.emplace_back("wallpapertile", s.wallpaperTile);
    values.emplace_back("wallpaperstyle", s.wallpaperStyle);
  }
  if (s.wallpaperGlobeStored || s.wallpaperProjection != "rectangular" ||
      !s.wallpaperCenter.empty()) {
    values.emplace_back("wallpaperprojection", s.wallpaperProjection);
    values.emplace_back("wallpapercenter", s.wallpaperCenter);
  }
  return values;
}

}  // namespace

SettingsRegistry::SettingsRegistry(KeyValueStore* store, std::string appKey)
    : store_(store), appKey_(std::move(appKey)) {}

bool SettingsRegistry::ReadIntSetting(std::string_view name, int* out) const {
  if (!store_ || !out) return false;
  const std::optional<std::string> text = store_->Read(Hive::CurrentUser, appKey_, name);
  if (!text || text->size() >= kIntBuffer) return false;
  *out = std::atoi(text->c_str());
  return true;
}

std::optional<std::string> SettingsRegistry::ReadTextSetting(std::string_view name) const {
  return ReadTextSetting(name, kTextBuffer);
}

std::optional<std::string> SettingsRegistry::ReadTextSetting(std::string_view name,
                                                             std::size_t buffer) const {
  if (!store_) return std::nullopt;
  std::optional<std::string> text = store_->Read(Hive::CurrentUser, appKey_, name);
  if (text && text->size() >= buffer) return std::nullopt;
  return text;
}

bool SettingsRegistry::HasSetting(std::string_view name) const {
  return store_ != nullptr && store_->Read(Hive::CurrentUser, appKey_, name).has_value();
}

bool SettingsRegistry::WriteSetting(std::string_view name, std::optional<std::string_view> text) {
  if (!store_) return false;
  if (!text) {
    store_->Remove(Hive::CurrentUser, appKey_, name);
    return true;
  }
  // The store creates the key with the first value, so the write needs no second try.
  return store_->Write(Hive::CurrentUser, appKey_, name, *text);
}

bool SettingsRegistry::WriteSettings(const KeyValueStore::Values& values) {
  return store_ != nullptr && store_->WriteAll(Hive::CurrentUser, appKey_, values);
}

std::string MapCenterText(double longitude) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, longitude);
  return error == std::errc() ? std::string(text, end) : std::string("0");
}

void ReadMapCenterValue(const SettingsRegistry& registry, Settings* settings) {
  const std::optional<std::string> text = registry.ReadTextSetting("center");
  if (!text) return;
  settings->centerStored = true;
  double center = 0;
  // A hand-edited value that is not a longitude leaves the map on Greenwich.
  settings->center = ParseMapCenter(text->c_str(), &center) ? center : 0;
}

void LoadSettings(const SettingsRegistry& registry, const KeyValueStore& store,
                  const SavedState& state, const std::string& defaultLanguage,
                  const std::string& configPath, const ProxyPersistence& proxy) {
  Settings& s = *state.settings;
  if (proxy.load) proxy.load();
  registry.ReadIntSetting("help", &s.help);
  registry.ReadIntSetting("view", &s.view);
  if (state.languageCode) {
    const std::optional<std::string> code =
        store.Read(Hive::LocalMachine, kCommonKey, kLanguageValue);
    *state.languageCode = code ? code->substr(0, 2) : defaultLanguage;
  }
  for (const IntSetting& v : kSwitches) registry.ReadIntSetting(v.name, &(s.*v.field));
  if (s.track == 1) s.track = 40;  // older configurations stored the switch as 1
  for (const IntSetting& v : kViewValues) registry.ReadIntSetting(v.name, &(s.*v.field));
  if (const std::optional<std::string> zoom = registry.ReadTextSetting("zoom"))
    s.zoom = static_cast<float>(std::atof(zoom->c_str()));
  registry.ReadIntSetting("zoomanchor", &s.zoomAnchor);
  s.moonStored = registry.ReadIntSetting("moon", &s.moon);
  s.auroraStored = registry.ReadIntSetting("aurora", &s.aurora);
  s.sharpStored = registry.ReadIntSetting("sharp", &s.sharp);
  ReadMapCenterValue(registry, &s);
  s.timebarStored = registry.ReadIntSetting("timebar", &s.timebar);
  if (auto hours = registry.ReadTextSetting("planhours")) {
    s.planHours = *hours;
    s.planCities = registry.ReadTextSetting("plancities").value_or("");
  }
  if (auto home = registry.ReadTextSetting("home")) {
    s.home = *home;
    s.homeStored = true;
  }
  if (auto place = registry.ReadTextSetting("clocksplace")) s.clocksPlace = *place;
  ReadWallpaperValues(registry, &s);
  ReadWallpaperGlobeValues(registry, &s);
  if (state.world) ReadConfigIni(configPath, *state.world, state.frames);
}

bool SaveSettings(SettingsRegistry& registry, KeyValueStore& store, const SavedState& state,
                  const std::string& version, const std::string& configPath, UserNotice* notice,
                  const ProxyPersistence& proxy) {
  if (state.languageCode) {
    if (state.languageCode->empty()) {
      store.Remove(Hive::LocalMachine, kCommonKey, kLanguageValue);
    } else {
      store.Write(Hive::LocalMachine, kCommonKey, kLanguageValue, *state.languageCode);
    }
  }
  if (proxy.save) proxy.save();
  registry.WriteSettings(SettingValues(*state.settings));

  if (!state.world) return true;
  static const std::vector<SavedFrame> kNoFrames;
  const std::string text =
      ConfigIniText(version, *state.world, state.frames ? *state.frames : kNoFrames);
  // Replaced in one step: a crash or a full disk never leaves a half-written file behind.
  if (!WriteWholeFile(configPath.c_str(), text.data(), text.size())) {
    ErrorBox(notice, "ERROR W114: Unable to open file '%s'", kConfigIniName);
    return false;
  }
  return true;
}

std::string SavedStateText(const SavedState& state, const std::string& version) {
  std::string text;
  for (const auto& [name, value] : SettingValues(*state.settings))
    text += name + "=" + value + "\n";
  if (state.languageCode) text += "lang=" + *state.languageCode + "\n";
  static const std::vector<SavedFrame> kNoFrames;
  if (state.world)
    text += ConfigIniText(version, *state.world, state.frames ? *state.frames : kNoFrames);
  return text;
}

std::string ConfigIniText(const std::string& version, const WorldData& world,
                          const std::vector<SavedFrame>& frames) {
  std::string text = "version=" + version + "\nproduct=" + kProductDisplayName + "\n";
  for (const City& city : world.cities) {
    if (city.marked)
      text += "M=" + city.name + "," + std::to_string(Truncated(city.longitude)) + "\n";
  }
  for (std::size_t i = 0; i < frames.size() && i < static_cast<std::size_t>(kMaxSavedFrames); ++i) {
    const SavedFrame& f = frames[i];
    if (f.third.empty()) continue;
    // Every field must come back as it went out: one line the reader takes whole, split at its
    // commas. The note is the service's text and is made to fit; a name or path that does not
    // fit is not written.
    if (PlainTextLine(f.third, kLongestLine, ",") != f.third) continue;
    const std::string note = PlainTextLine(f.second, kMaxFrameNoteBytes, ",");
    const auto line = [&](const std::string& file) {
      return "C=" + file + "," + note + "," + f.third + "," + std::to_string(f.firstNumber) + "," +
             std::to_string(f.secondNumber) + "\n";
    };
    std::string frame = line(PlainTextLine(f.first, kLongestLine, ",") == f.first ? f.first : "");
    if (frame.size() > kLongestLine) frame = line("");
    if (frame.size() <= kLongestLine) text += frame;
  }
  return text;
}

bool ReadConfigIni(const std::string& path, WorldData& world, std::vector<SavedFrame>* frames) {
  FilePtr file = OpenFile(path.c_str(), "rb");
  if (!file) return false;
  ReadConfigIni(file.get(), world, frames);
  return true;
}

void ReadConfigIni(std::FILE* file, WorldData& world, std::vector<SavedFrame>* frames) {
  const MarkIndex index(world.cities);
  std::vector<SavedFrame> read;
  char line[kLineBuffer];
  while (ReadLine(line, kLineBuffer, file) > 0) {
    TrimRight(line);
    if (StartsWithNoCase(line, 'C') && std::strchr(line, ',')) {
      ReadFrameLine(line, read);
    } else if (StartsWithNoCase(line, 'M')) {
      ReadMarkLine(line, index);
    }
  }
  if (frames) *frames = std::move(read);
}

void ReadWallpaperValues(const SettingsRegistry& registry, Settings* settings) {
  registry.ReadIntSetting("wallpaper", &settings->wallpaper);
  settings->wallpaperKeptUnreadable = false;
  const auto kept = [&](const char* name) {
    std::optional<std::string> text = registry.ReadTextSetting(name, kMaxKeptWallpaperBytes + 1);
    if (!text && registry.HasSetting(name)) settings->wallpaperKeptUnreadable = true;
    return text.value_or("");
  };
  settings->wallpaperFile = kept("wallpaperfile");
  settings->wallpaperTile = kept("wallpapertile");
  settings->wallpaperStyle = kept("wallpaperstyle");
}

void ReadWallpaperGlobeValues(const SettingsRegistry& registry, Settings* settings) {
  if (std::optional<std::string> projection = registry.ReadTextSetting("wallpaperprojection")) {
    settings->wallpaperProjection = std::move(*projection);
    settings->wallpaperGlobeStored = true;
  }
  if (std::optional<std::string> center = registry.ReadTextSetting("wallpapercenter")) {
    settings->wallpaperCenter = std::move(*center);
    settings->wallpaperGlobeStored = true;
  }
}

void WriteWallpaperValues(SettingsRegistry& registry, const Settings& settings) {
  KeyValueStore::Values values{{"wallpaper", std::to_string(settings.wallpaper)}};
  if (!settings.wallpaperKeptUnreadable) {
    values.emplace_back("wallpaperfile", settings.wallpaperFile);
    values.emplace_back("wallpapertile", settings.wallpaperTile);
    values.emplace_back("wallpaperstyle", settings.wallpaperStyle);
  }
  registry.WriteSettings(values);
}

}  // namespace meridiana
