#pragma once
// The cities of location.dat, kept in file order: every "first match" in the program follows
// that order, so the list is never sorted.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct City {
  std::string zoneKey;               // matched against the place part of a zone name
  std::string name;                  // display name, the bracketed region cut off
  std::optional<std::string> state;  // the text inside the brackets, when there are any
  float longitude = 0.0f;            // degrees, east positive
  float latitude = 0.0f;             // degrees, north positive
  bool picked = false;               // scratch flag of searches and the selector's check box
  bool marked = false;               // drawn with its local time and saved with the settings
};

// Reads location.dat text: per line zone key, latitude, longitude and display name, separated
// by TABs, ended by CR LF. A line that lacks its second or third TAB ends the reading; the
// record it started is kept with what was read.
std::vector<City> ParseCities(std::string_view text);

// A name cut before its region keeps the blank in front of the "(" ("Springfield "); other
// tables and the user spell the city without it.
std::string_view WithoutTrailingBlanks(std::string_view name);

// The first city, in list order, whose name is `name` ignoring letter case (the blank before a
// cut region does not count), or null.
const City* FindCityNamed(const std::vector<City>& cities, std::string_view name);

void SetMarked(City& city, bool on);
void ToggleMarked(City& city);
void ClearAllMarks(std::vector<City>& cities);

// The city that a saved mark names: the first, in list order, whose longitude truncated toward
// zero equals savedLongitude and whose whole name is a case-insensitive prefix of savedText.
City* FindCityForMark(std::vector<City>& cities, std::string_view savedText, int savedLongitude);

}  // namespace meridiana
