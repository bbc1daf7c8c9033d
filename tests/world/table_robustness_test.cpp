// The readers take untrusted text: damaged tables must neither crash nor hang, and whatever
// they read must stay usable by the look-ups.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "scoped_tz.h"
#include "world/area_code.h"
#include "world/city.h"
#include "world/dst_rule.h"
#include "world/table_text.h"
#include "world/local_time.h"
#include "world/world_data.h"
#include "world/zone.h"

namespace meridiana {
namespace {

std::string Fixture(const char* name) {
  std::ifstream in(std::string(MERIDIANA_FIXTURES) + "/world/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string crlf;
  for (char c : text.str()) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Replaces, inserts or deletes a few bytes, favouring the bytes the readers care about.
std::string Mutate(std::string text, std::mt19937& random) {
  static constexpr char kInteresting[] = {'\t', '\r', '\n', ',', '(', ')', '/',  '*', '+',
                                          '-',  '.',  'e',  'F', '>', '9', '\0', ' ', '7'};
  const int edits = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const std::size_t at = random() % text.size();
    const char c = random() % 2 ? kInteresting[random() % sizeof kInteresting]
                                : static_cast<char>(random() % 256);
    switch (random() % 3) {
      case 0:
        text[at] = c;
        break;
      case 1:
        text.insert(at, 1, c);
        break;
      default:
        text.erase(at, 1 + random() % 8);
        break;
    }
  }
  return text;
}

TEST(TableRobustness, DamagedTablesStayUsable) {
  world_test::ScopedTz tz("Europe/Berlin");
  const std::string location = Fixture("location.txt");
  const std::string zones = Fixture("tz_data.txt");
  const std::string rules = Fixture("tz_dst.txt");
  const std::string codes = Fixture("areacode.txt");
  ASSERT_FALSE(location.empty() || zones.empty() || rules.empty() || codes.empty());

  std::mt19937 random(20250701);
  const FixedClock clock(UtcFromCalendar(2025, 7, 1, 12, 0, 0));
  for (int round = 0; round < 3000; ++round) {
    WorldData w;
    const std::string l = Mutate(location, random);
    const std::string z = Mutate(zones, random);
    const std::string r = Mutate(rules, random);
    const std::string a = Mutate(codes, random);
    w.cities = ParseCities(l);
    w.zones = ParseZones(z);
    w.rules = ParseDstRules(r);
    w.areaCodes = ParseAreaCodes(a);
    // At most one record per line (two lines per rule, one header line).
    ASSERT_LE(w.cities.size(), Lines(l));
    ASSERT_LE(w.zones.size(), Lines(z));
    ASSERT_LE(w.rules.size(), Lines(r) / 2 + 1);
    ASSERT_LE(w.areaCodes.size(), Lines(a));

    for (const DstRule& rule : w.rules) {
      for (const TransitionRule* change : {&rule.start, &rule.end}) {
        const auto date = TransitionDate(*change, 2025);
        if (!date) continue;
        // A named date is a real date in the rule's month, or within the week after it.
        ASSERT_GE(date->day, 1);
        ASSERT_LE(date->day, DaysInMonth(date->year, date->month));
        ASSERT_TRUE(date->month == change->month || date->month == change->month % 12 + 1);
      }
    }
    for (City& city : w.cities) {
      const int saving = CityClockAt(w, city, nullptr, 0, 0, clock.Now(), clock).savingMinutes;
      const DstRule* rule = DstRuleOfCity(w, city);
      // No rule, or a rule that names no date, saves nothing; else one of its two savings.
      if (!rule) {
        ASSERT_EQ(saving, 0);
      } else {
        ASSERT_TRUE(saving == 0 || saving == rule->start.savingMinutes ||
                    saving == rule->end.savingMinutes);
      }
      const std::string* country = CountryOfCity(w, city);
      AreaCodeText(w.areaCodes, country ? *country : "", city.name, true);
      int longitude = 0;
      if (TruncateToInt(city.longitude, longitude)) {
        const City* found = FindCityForMark(w.cities, city.name, longitude);
        ASSERT_NE(found, nullptr);  // at worst an earlier city with a prefix of the name
        ASSERT_LE(found, &city);
      }
    }
  }
}

}  // namespace
}  // namespace meridiana
