#include "world/city.h"

#include "world/table_text.h"

namespace meridiana {
namespace {

// "Name (Region)" gives the region as state and "Name " as name; the name is cut at the last
// "(" while the state runs from the first "(" to the next ")".
void SplitRegion(std::string_view column, City& city) {
  const std::size_t open = column.find('(');
  if (open == std::string_view::npos) {
    city.name = std::string(column);
    return;
  }
  std::string_view inside = column.substr(open + 1);
  const std::size_t close = inside.find(')');
  if (close != std::string_view::npos) inside = inside.substr(0, close);
  city.state = std::string(inside);
  city.name = std::string(column.substr(0, column.rfind('(')));
}

}  // namespace

std::vector<City> ParseCities(std::string_view text) {
  std::vector<City> cities;
  TableText t(text);
  for (;;) {
    t.SkipSpace();
    if (t.AtEnd()) break;
    City& city = cities.emplace_back();

    city.zoneKey = std::string(t.Field('\t'));
    t.PassNext('\t');
    t.SkipSpace();

    city.latitude = t.Real();
    if (!t.PassNext('\t')) break;
    t.SkipSpace();

    city.longitude = t.Real();
    if (!t.PassNext('\t')) break;
    t.SkipSpace();

    SplitRegion(t.Field('\r'), city);
    if (!t.PassNext('\n')) break;
  }
  return cities;
}

void SetMarked(City& city, bool on) { city.marked = on; }

std::string_view WithoutTrailingBlanks(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

void ToggleMarked(City& city) { city.marked = !city.marked; }

void ClearAllMarks(std::vector<City>& cities) {
  for (City& city : cities) city.marked = false;
}

City* FindCityForMark(std::vector<City>& cities, std::string_view savedText, int savedLongitude) {
  for (City& city : cities) {
    int longitude = 0;
    if (!TruncateToInt(city.longitude, longitude) || longitude != savedLongitude) continue;
    if (city.name.size() > savedText.size()) continue;
    if (EqualsIgnoreCase(city.name, savedText.substr(0, city.name.size()))) return &city;
  }
  return nullptr;
}

const City* FindCityNamed(const std::vector<City>& cities, std::string_view name) {
  for (const City& city : cities)
    if (EqualsIgnoreCase(WithoutTrailingBlanks(city.name), name)) return &city;
  return nullptr;
}

}  // namespace meridiana
