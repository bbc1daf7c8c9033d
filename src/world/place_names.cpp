#include "world/place_names.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/tznames.h>
#include <unicode/unistr.h>

#include "foundation/file_util.h"
#include "foundation/path_util.h"
#include "world/city.h"
#include "world/city_search.h"
#include "world/packed_data_file.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::string Lower(std::string_view code) {
  std::string out(code);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsCode(std::string_view code) {
  if (code.empty() || code.size() > 8) return false;
  for (char c : code) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

const PlaceNames* NamesOf(const WorldData& world) { return world.placeNames.get(); }

}  // namespace

PlaceNames ParsePlaceNames(std::string_view text, const WorldData& world, std::string language) {
  PlaceNames names;
  names.language = std::move(language);
  names.cities.resize(world.cities.size());
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    const auto f = Fields(line);
    if (f[0] == "country" && f.size() == 3 && !f[2].empty()) {
      names.countries.emplace(std::string(f[1]), std::string(f[2]));
    } else if (f[0] == "state" && f.size() == 4 && !f[3].empty()) {
      names.states.emplace(std::make_pair(std::string(f[1]), std::string(f[2])), std::string(f[3]));
    } else if (f[0] == "city" && f.size() == 4 && !f[3].empty()) {
      std::size_t line1 = 0;
      for (char c : f[1]) {
        if (c < '0' || c > '9' || line1 > world.cities.size()) {
          line1 = 0;
          break;
        }
        line1 = line1 * 10 + static_cast<std::size_t>(c - '0');
      }
      if (line1 == 0 || line1 > world.cities.size()) continue;
      if (WithoutTrailingBlanks(world.cities[line1 - 1].name) != f[2]) continue;
      names.cities[line1 - 1] = std::string(f[3]);
    }
  }
  return names;
}

std::optional<std::string> PlaceNamesFilePath(std::string_view code,
                                              const std::vector<std::string>& folders) {
  if (!IsCode(code)) return std::nullopt;
  const std::string name = "lang/names_" + Lower(code) + ".dat";
  for (const std::string& folder : folders) {
    const std::string path = JoinPath(folder, name);
    if (FileExists(path.c_str())) return path;
  }
  return std::nullopt;
}

namespace {

// Cities that name their zone ("Tokyo" for Asia/Tokyo) and have no name in the table take
// ICU's exemplar city of the zone in the language, where it has one of its own.
void AddZoneExemplarCities(PlaceNames& names, const WorldData& world) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale(IcuLocaleOfLanguage(names.language).c_str());
  const std::unique_ptr<icu::TimeZoneNames> zoneNames(
      icu::TimeZoneNames::createInstance(locale, status));
  if (U_FAILURE(status) || !zoneNames) return;
  names.cities.resize(world.cities.size());
  for (std::size_t i = 0; i < world.cities.size(); ++i) {
    if (!names.cities[i].empty()) continue;
    const City& city = world.cities[i];
    const Zone* zone = ZoneOfCity(world, city);
    if (zone == nullptr || zone->zoneName.empty()) continue;
    std::string place = zone->zoneCity;
    for (char& c : place)
      if (c == '_') c = ' ';
    const std::string english(WithoutTrailingBlanks(city.name));
    if (place != english) continue;
    icu::UnicodeString exemplar;
    zoneNames->getExemplarLocationName(icu::UnicodeString::fromUTF8(zone->zoneName), exemplar);
    std::string local;
    exemplar.toUTF8String(local);
    if (!local.empty() && local != english) names.cities[i] = std::move(local);
  }
}

}  // namespace

bool LoadPlaceNames(WorldData& world, std::string_view code,
                    const std::vector<std::string>& folders) {
  world.placeNames.reset();
  bool loaded = false;
  if (!code.empty() && Lower(code) != "en") {
    if (const auto path = PlaceNamesFilePath(code, folders)) {
      if (const auto text = ReadPackedDataFile(path->c_str())) {
        PlaceNames names = ParsePlaceNames(*text, world, Lower(code));
        AddZoneExemplarCities(names, world);
        world.placeNames = std::make_shared<const PlaceNames>(std::move(names));
        loaded = true;
      }
    }
  }
  // The CLI indexes at start; the window's search indexes when first asked, so a start in a
  // language does not pay for it.
  if (world.citySearch) IndexCitySearch(world);
  return loaded;
}

const std::string& CityNameOf(const WorldData& world, const City& city) {
  const PlaceNames* names = NamesOf(world);
  if (names && !world.cities.empty() && &city >= world.cities.data() &&
      &city < world.cities.data() + world.cities.size()) {
    const std::size_t index = static_cast<std::size_t>(&city - world.cities.data());
    if (index < names->cities.size() && !names->cities[index].empty()) return names->cities[index];
  }
  return city.name;
}

const std::string* StateNameOf(const WorldData& world, const City& city) {
  if (!city.state) return nullptr;
  const PlaceNames* names = NamesOf(world);
  if (!names || names->states.empty()) return &*city.state;
  const std::string* country = CountryOfCity(world, city);
  const auto it = names->states.find({country ? *country : std::string(), *city.state});
  return it != names->states.end() ? &it->second : &*city.state;
}

const std::string& CountryNameIn(const WorldData& world, const std::string& country) {
  const PlaceNames* names = NamesOf(world);
  if (!names) return country;
  const auto it = names->countries.find(country);
  return it != names->countries.end() ? it->second : country;
}

const std::string* CountryNameOfCity(const WorldData& world, const City& city) {
  const std::string* country = CountryOfCity(world, city);
  return country ? &CountryNameIn(world, *country) : nullptr;
}

std::string IcuLocaleOfLanguage(std::string_view code) {
  static const std::map<std::string, std::string, std::less<>> kLocales = {
      {"b5", "zh_Hant"}, {"cn", "zh_Hans"}, {"cz", "cs"}, {"gr", "el"}, {"jo", "ar"},
      {"jp", "ja"},      {"kr", "ko"},      {"se", "sv"}, {"sp", "es"}};
  const std::string lower = Lower(code);
  if (lower.empty()) return "en";
  const auto it = kLocales.find(lower);
  return it != kLocales.end() ? it->second : lower;
}

struct PlaceCollator::Impl {
  std::unique_ptr<icu::Collator> collator;
};

PlaceCollator::PlaceCollator(std::string_view languageCode) : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale(IcuLocaleOfLanguage(languageCode).c_str());
  impl_->collator.reset(icu::Collator::createInstance(locale, status));
  if (U_FAILURE(status)) impl_->collator.reset();
}

PlaceCollator::~PlaceCollator() = default;

bool PlaceCollator::Less(std::string_view a, std::string_view b) const {
  if (!impl_->collator) return a < b;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = impl_->collator->compareUTF8(
      icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
      icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
  return U_SUCCESS(status) ? r == UCOL_LESS : a < b;
}

}  // namespace meridiana
