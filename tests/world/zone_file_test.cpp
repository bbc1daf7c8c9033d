#include "world/zone_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace meridiana {
namespace {

void Put32(std::string& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b += static_cast<char>(v >> shift & 0xff);
}

// A version-1 file: two kinds (+1 h, +2 h) and one change at 1000.
std::string SmallZone() {
  std::string b = "TZif";
  b += std::string(16, '\0');
  for (std::uint32_t count : {0u, 0u, 0u, 1u, 2u, 4u}) Put32(b, count);
  Put32(b, 1000);
  b += '\1';
  Put32(b, 3600);
  b += "\0\0"s;
  Put32(b, 7200);
  b += "\1\0"s;
  b += "A\0B\0"s;
  return b;
}

TEST(ZoneFile, ReadsChangesAndRefusesDamagedFiles) {
  const auto zone = ZoneFile::Parse(SmallZone());
  ASSERT_TRUE(zone.has_value());
  EXPECT_EQ(zone->OffsetAt(999), 3600);
  EXPECT_EQ(zone->OffsetAt(1000), 7200);
  EXPECT_EQ(zone->WallClockAt(1000), 8200);

  const std::string good = SmallZone();
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    SCOPED_TRACE(cut);
    EXPECT_FALSE(ZoneFile::Parse(good.substr(0, cut)).has_value());
  }
  std::string badKind = good;
  badKind[44 + 4] = '\2';  // the change names a third kind
  EXPECT_FALSE(ZoneFile::Parse(badKind).has_value());
  std::string badMagic = good;
  badMagic[0] = 'X';
  EXPECT_FALSE(ZoneFile::Parse(badMagic).has_value());
}

TEST(LoadZoneFile, MatchesTheSystemsZones) {
  // zdump -v -c 2027,2028 gives these offsets on each side of the changes.
  const auto lordHowe = LoadZoneFile(SystemZoneFolder(), "Australia/Lord_Howe");
  if (!lordHowe) GTEST_SKIP() << "no zone files in " << SystemZoneFolder();
  EXPECT_EQ(lordHowe->OffsetAt(UtcFromCalendar(2027, 4, 3, 14, 59, 59)), 39600);
  EXPECT_EQ(lordHowe->OffsetAt(UtcFromCalendar(2027, 4, 3, 15)), 37800);
  EXPECT_EQ(lordHowe->OffsetAt(UtcFromCalendar(2027, 10, 2, 15, 30)), 39600);
  const auto london = LoadZoneFile(SystemZoneFolder(), "Europe/London");
  ASSERT_TRUE(london.has_value());
  EXPECT_EQ(london->OffsetAt(UtcFromCalendar(2027, 3, 28, 0, 59, 59)), 0);
  EXPECT_EQ(london->OffsetAt(UtcFromCalendar(2027, 3, 28, 1)), 3600);
  EXPECT_EQ(london->OffsetAt(UtcFromCalendar(1950, 1, 1)), 0);

  for (const char* name :
       {"../zoneinfo/UTC", "/etc/passwd", "Europe/Nowhere", "", "Europe/Lon don"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(LoadZoneFile(SystemZoneFolder(), name).has_value());
  }
}

}  // namespace
}  // namespace meridiana
