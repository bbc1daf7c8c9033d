#pragma once
// Telephone codes from areacode.dat: country lines ("Country,code") and city lines
// ("*,City,code" or "+,City,code") that belong to the country line above them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct AreaCode {
  std::string country;              // compared case-insensitively
  std::optional<std::string> city;  // absent on a country line
  std::string code;                 // calling code (country line) or area code (city line)
};

// Reads areacode.dat text. A city line before any country line gets an empty country. The code
// is the rest of the line cut at its last comma, so trailing fields are dropped.
std::vector<AreaCode> ParseAreaCodes(std::string_view text);

// City mode: " code" for each city line of the country whose city matches, joined by ",", or
// the empty text when none does. Country mode: the codes of the country's country lines run
// together, or nothing when there is none. Countries and cities compare case-insensitively.
std::optional<std::string> AreaCodeText(const std::vector<AreaCode>& codes,
                                        std::string_view country, std::string_view city,
                                        bool cityMode);

}  // namespace meridiana
