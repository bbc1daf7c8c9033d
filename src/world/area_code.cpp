#include "world/area_code.h"

#include "world/table_text.h"

namespace meridiana {
namespace {

std::string CutAtLastComma(std::string_view s) {
  const std::size_t comma = s.rfind(',');
  return std::string(comma == std::string_view::npos ? s : s.substr(0, comma));
}

}  // namespace

std::vector<AreaCode> ParseAreaCodes(std::string_view text) {
  std::vector<AreaCode> codes;
  std::string currentCountry;
  TableText t(text);
  for (;;) {
    t.SkipSpace();
    if (t.AtEnd()) break;
    AreaCode& entry = codes.emplace_back();

    const std::string_view first = t.Field(',');
    t.PassNext(',');
    t.SkipSpace();
    if (!first.empty() && (first[0] == '*' || first[0] == '+')) {
      entry.country = currentCountry;
      entry.city = std::string(t.Field(','));
      t.PassNext(',');
      t.SkipSpace();
    } else {
      entry.country = std::string(first);
      currentCountry = entry.country;
    }
    entry.code = CutAtLastComma(t.Field('\r'));
    if (!t.PassNext('\n')) break;
  }
  return codes;
}

std::optional<std::string> AreaCodeText(const std::vector<AreaCode>& codes,
                                        std::string_view country, std::string_view city,
                                        bool cityMode) {
  std::string result;
  bool matched = false;
  for (const AreaCode& entry : codes) {
    if (!EqualsIgnoreCase(entry.country, country)) continue;
    if (entry.city) {
      if (!cityMode || !EqualsIgnoreCase(*entry.city, city)) continue;
      if (matched) result += ',';
      result += ' ';
      result += entry.code;
      matched = true;
    } else if (!cityMode) {
      result += entry.code;
      matched = true;
    }
  }
  if (!cityMode && !matched) return std::nullopt;
  return result;
}

}  // namespace meridiana
