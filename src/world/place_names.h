#pragma once
// Cities, states and countries named in an interface language. Each language has a table of the
// names that differ from the English ones ("lang/names_<code>.dat", written by
// tools/data/build_names.py); a place it does not name keeps its English name. The tables keep
// the English names as the key: settings, link templates and the other tables go on using them.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace meridiana {

struct City;
struct WorldData;

struct PlaceNames {
  std::string language;                                      // the code of the language file
  std::vector<std::string> cities;                           // by city index; "" the English one
  std::unordered_map<std::string, std::string> countries;    // English display name -> name
  std::map<std::pair<std::string, std::string>, std::string> states;  // (country, state) English
};

// Reads a names table (UTF-8, lines of TAB-separated fields, ";" lines are comments):
//   country <English country> <name>
//   state   <English country> <English state> <name>
//   city    <1-based line of location.dat> <English name> <name>
// A city line whose English name is not that of the world's city on that line is dropped, so a
// table made for other tables names nothing wrongly.
PlaceNames ParsePlaceNames(std::string_view text, const WorldData& world, std::string language);

// Where a language's names table is, from the first folder that holds "lang/names_<code>.dat".
std::optional<std::string> PlaceNamesFilePath(std::string_view code,
                                              const std::vector<std::string>& folders);

// Puts the language's names into world.placeNames (and indexes them for search when the world
// has a search index already); "" or "en",
// or a language without a table, leaves the English names alone (and placeNames null). Whether
// a table was loaded.
bool LoadPlaceNames(WorldData& world, std::string_view code,
                    const std::vector<std::string>& folders);

// The city's name in the world's language, else its name as the table spells it.
const std::string& CityNameOf(const WorldData& world, const City& city);
// The city's state in the world's language, else as the table spells it; null without a state.
const std::string* StateNameOf(const WorldData& world, const City& city);
// A country (its English display name) in the world's language.
const std::string& CountryNameIn(const WorldData& world, const std::string& country);
// The country of the city's zone in the world's language, or null.
const std::string* CountryNameOfCity(const WorldData& world, const City& city);

// The ICU locale of an interface language code ("jp" -> "ja", "b5" -> "zh_Hant"); "en" for "".
std::string IcuLocaleOfLanguage(std::string_view code);

// Compares texts as the language sorts them (ICU's collation of its locale).
class PlaceCollator {
 public:
  explicit PlaceCollator(std::string_view languageCode);
  ~PlaceCollator();
  PlaceCollator(const PlaceCollator&) = delete;
  PlaceCollator& operator=(const PlaceCollator&) = delete;
  bool Less(std::string_view a, std::string_view b) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace meridiana
