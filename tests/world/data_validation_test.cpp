// Checks the shipped tables, the clock of a city whose zone has no file on the computer, against
// the IANA time-zone database: for every shipped city and for 12:00 UTC of every day of 2027,
// the local time that the program computes from the packed tables and the time-zone picture
// alone must equal the database's local time for the city's zone, except on days that the
// reference fixture lists as known exceptions with their reason (what the tables cannot say).
// The reference fixture is written by tools/data/build.sh from Python's zoneinfo. Where the
// computer has the zone's file the program uses it; tests/cli/cities_tzdb.sh checks that.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "foundation/file_util.h"
#include "scoped_tz.h"
#include "world/local_time.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 512;
constexpr int kDays = 365;
constexpr TimeValue kNoonOfFirstDay = 1798804800;  // 2027-01-01T12:00:00Z

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

uint32_t BigEndian32(const std::string& s, std::size_t at) {
  return (uint32_t{static_cast<uint8_t>(s[at])} << 24) | (uint32_t{static_cast<uint8_t>(s[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(s[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(s[at + 3])};
}

// The committed time-zone picture is an 8-bit RGB PNG without row filters, as the data pipeline
// writes it; this reads exactly that into a 24-bit image, so the check needs no image library.
DibPtr LoadZonePicture(const std::string& path) {
  const auto file = ReadWholeFile(path.c_str());
  if (!file || file->size() < 8 + 25 || file->compare(1, 3, "PNG") != 0) return nullptr;
  std::string idat;
  uint32_t width = 0;
  uint32_t height = 0;
  for (std::size_t pos = 8; pos + 12 <= file->size();) {
    const uint32_t length = BigEndian32(*file, pos);
    if (length > file->size() - pos - 12) return nullptr;
    const std::string kind = file->substr(pos + 4, 4);
    if (kind == "IHDR") {
      width = BigEndian32(*file, pos + 8);
      height = BigEndian32(*file, pos + 12);
      if ((*file)[pos + 16] != 8 || (*file)[pos + 17] != 2) return nullptr;  // 8-bit RGB only
    } else if (kind == "IDAT") {
      idat += file->substr(pos + 8, length);
    }
    pos += 12 + length;
  }
  if (width != kWidth || height != kHeight) return nullptr;
  const std::size_t stride = width * 3 + 1;
  std::vector<uint8_t> raw(stride * height);
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(idat.data()),
                 static_cast<uLong>(idat.size())) != Z_OK ||
      rawSize != raw.size()) {
    return nullptr;
  }
  DibPtr dib = DibCreate(kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* row = raw.data() + static_cast<std::size_t>(y) * stride;
    if (row[0] != 0) return nullptr;  // a filtered row: not what the pipeline writes
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = DibPixelAddress(dib.get(), x, y);
      p[0] = row[1 + 3 * x + 2];  // blue
      p[1] = row[1 + 3 * x + 1];  // green
      p[2] = row[1 + 3 * x];      // red
    }
  }
  return dib;
}

struct Reference {
  int cityCount = -1;
  std::map<std::string, std::vector<int>> offsets;  // lower-case zone key -> minutes per day
  std::map<std::pair<std::string, int>, std::string> zoneExceptions;  // (key, day) -> reason
  std::map<std::pair<int, int>, std::string> cityExceptions;          // (index, day) -> reason
};

bool ParseDays(const std::string& text, int* first, int* last) {
  return std::sscanf(text.c_str(), "%d-%d", first, last) == 2 && *first >= 1 && *last <= kDays &&
         *first <= *last;
}

std::optional<Reference> LoadReference(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  Reference ref;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string tag;
    fields >> tag;
    if (tag == "N") {
      fields >> ref.cityCount;
    } else if (tag == "Z") {
      std::string key;
      int offset = 0;
      fields >> key >> offset;
      std::vector<int> perDay(kDays, offset);
      std::string change;
      while (fields >> change) {
        int day = 0;
        int value = 0;
        if (std::sscanf(change.c_str(), "%d:%d", &day, &value) != 2 || day < 1 || day > kDays) {
          return std::nullopt;
        }
        for (int d = day - 1; d < kDays; ++d) perDay[d] = value;
      }
      ref.offsets[Lower(key)] = perDay;
    } else if (tag == "E" || tag == "C") {
      std::string who;
      std::string days;
      fields >> who >> days;
      std::string reason;
      std::getline(fields, reason);
      int first = 0;
      int last = 0;
      if (!ParseDays(days, &first, &last)) return std::nullopt;
      for (int d = first; d <= last; ++d) {
        if (tag == "E") {
          ref.zoneExceptions[{Lower(who), d}] = reason;
        } else {
          ref.cityExceptions[{std::stoi(who), d}] = reason;
        }
      }
    } else {
      return std::nullopt;
    }
  }
  return ref;
}

// The city's own pixel on the base map, as the map projects it.
void BasePixel(const City& city, int* x, int* y) {
  *x = static_cast<int>((static_cast<double>(city.longitude) + 180) / 360 * kWidth);
  *y = kHeight - static_cast<int>((static_cast<double>(city.latitude) + 90) / 180 * kHeight);
}

TEST(ShippedData, TablesLocalTimesOf2027AgreeWithTheTimeZoneDatabase) {
  testing::ScopedTz utcHost("UTC");  // changes take effect at host midnight: keep it at 00:00 UTC
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  world.zoneFiles = nullptr;  // the tables alone
  ASSERT_FALSE(world.cities.empty()) << "no packed tables in " << MERIDIANA_STAGE_DIR
                                     << " (build the meridiana_data target)";
  ASSERT_FALSE(world.zones.empty());
  ASSERT_FALSE(world.rules.empty());

  const DibPtr picture = LoadZonePicture(std::string(MERIDIANA_FIXTURES) + "/../../data/images/earth_tz.png");
  ASSERT_TRUE(picture) << "cannot read data/images/earth_tz.png";
  const auto ref = LoadReference(std::string(MERIDIANA_FIXTURES) + "/data/reference_2027.txt");
  ASSERT_TRUE(ref) << "cannot read the reference fixture";
  ASSERT_EQ(ref->cityCount, static_cast<int>(world.cities.size()))
      << "the fixture was made for another city table: rerun tools/data/build.sh";

  long long total = 0;
  long long correct = 0;
  long long rightClock = 0;
  std::map<std::string, long long> excused;
  std::vector<std::string> unexplained;
  FixedClock clock(kNoonOfFirstDay);
  for (int day = 1; day <= kDays; ++day) {
    clock.Set(kNoonOfFirstDay + static_cast<TimeValue>(day - 1) * 86400);
    for (std::size_t i = 0; i < world.cities.size(); ++i) {
      const City& city = world.cities[i];
      ++total;
      const auto zone = ref->offsets.find(Lower(city.zoneKey));
      int x = 0;
      int y = 0;
      BasePixel(city, &x, &y);
      const TimeValue local = LocalTimeOf(world, picture.get(), x, y, &city, clock);
      const long long got = (local - clock.Now()) / 60;
      if (zone != ref->offsets.end() && got == zone->second[day - 1]) {
        ++correct;
        ++rightClock;
        continue;
      }
      if (zone != ref->offsets.end() && (got - zone->second[day - 1]) % 1440 == 0) ++rightClock;
      const std::string* why = nullptr;
      if (auto c = ref->cityExceptions.find({static_cast<int>(i), day}); c != ref->cityExceptions.end()) {
        why = &c->second;
      } else if (auto z = ref->zoneExceptions.find({Lower(city.zoneKey), day});
                 z != ref->zoneExceptions.end()) {
        why = &z->second;
      }
      if (why) {
        ++excused[city.zoneKey + ":" + *why];
      } else if (unexplained.size() < 20) {
        unexplained.push_back(city.name + " (" + city.zoneKey + ") day " + std::to_string(day) +
                              ": " + std::to_string(got) + " min, expected " +
                              (zone == ref->offsets.end() ? std::string("no reference")
                                                          : std::to_string(zone->second[day - 1])));
      }
    }
  }

  std::printf("cities %zu, city-days %lld\n", world.cities.size(), total);
  std::printf("correct date and time: %lld (%.3f %%)\n", correct, 100.0 * correct / total);
  std::printf("correct clock time:    %lld (%.3f %%)\n", rightClock, 100.0 * rightClock / total);
  std::printf("known exceptions (zone: reason: city-days):\n");
  for (const auto& [what, count] : excused) std::printf("  %s: %lld\n", what.c_str(), count);

  std::string list;
  for (const auto& u : unexplained) list += "\n  " + u;
  EXPECT_TRUE(unexplained.empty()) << "city-days that differ and are not known exceptions:" << list;
  // The exceptions are few: whole-year ones come only from offsets the colour table lacks.
  EXPECT_GE(static_cast<double>(correct) / total, 0.999);
  EXPECT_GE(static_cast<double>(rightClock) / total, 0.999);
}

// The telephone table and the zone table must spell countries alike, or a country's calling code
// is never found.
TEST(ShippedData, EveryZoneCountryHasACallingCode) {
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  ASSERT_FALSE(world.zones.empty());
  std::set<std::string> withCode;
  for (const AreaCode& a : world.areaCodes) {
    if (!a.city) withCode.insert(Lower(a.country));
  }
  std::set<std::string> missing;
  for (const Zone& z : world.zones) {
    if (!withCode.count(Lower(z.country))) missing.insert(z.country);
  }
  // Territories without telephone service of their own.
  const std::set<std::string> expected = {"Antarctica", "French S. Terr.", "Pitcairn",
                                          "South Georgia & the South Sandwich Islands",
                                          "US minor outlying islands"};
  EXPECT_EQ(missing, expected);
}

// Every zone key of a city finds its zone, and every zone's rule name that is not "-" finds its
// rule: a misspelt key would silently give the city no country and no daylight saving.
TEST(ShippedData, CitiesFindTheirZonesAndZonesTheirRules) {
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  ASSERT_FALSE(world.cities.empty());
  std::vector<std::string> lost;
  for (const City& c : world.cities) {
    if (!ZoneOfCity(world, c)) lost.push_back(c.name + "/" + c.zoneKey);
  }
  EXPECT_TRUE(lost.empty()) << lost.size() << " cities without a zone, first "
                            << (lost.empty() ? std::string() : lost.front());
  int withRule = 0;
  for (const Zone& z : world.zones) {
    if (z.ruleName == "-") continue;
    bool found = false;
    for (const DstRule& r : world.rules) found = found || r.name == z.ruleName;
    EXPECT_TRUE(found) << z.zoneCity << " names the missing rule " << z.ruleName;
    ++withRule;
  }
  EXPECT_GT(withRule, 100);
}

}  // namespace
}  // namespace meridiana
