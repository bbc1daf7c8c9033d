#include "world/zone.h"

#include "world/table_text.h"

namespace meridiana {

std::vector<Zone> ParseZones(std::string_view text) {
  std::vector<Zone> zones;
  TableText t(text);
  if (!t.PassNext('\n')) return zones;  // the header line
  for (;;) {
    t.SkipSpace();
    if (t.AtEnd()) break;
    Zone& zone = zones.emplace_back();

    zone.country = std::string(t.Field('\t'));
    t.PassNext('\t');
    t.SkipSpace();

    zone.latitude = t.Real();
    if (!t.PassNext('\t')) break;
    t.SkipSpace();

    zone.longitude = t.Real();
    if (!t.PassNext('\t')) break;
    t.SkipSpace();

    const std::string_view zoneName = t.Field('\t');
    zone.zoneName = std::string(zoneName);
    const std::size_t slash = zoneName.rfind('/');
    zone.zoneCity =
        std::string(slash == std::string_view::npos ? zoneName : zoneName.substr(slash + 1));

    // Columns 5 and 6 are not read.
    bool complete = true;
    for (int column = 5; column <= 7 && complete; ++column) {
      complete = t.PassNext('\t');
      t.SkipSpace();
    }
    if (!complete) break;

    zone.ruleName = std::string(t.Field('\t'));
    if (!t.PassNext('\n')) break;
  }
  return zones;
}

}  // namespace meridiana
