#include "foundation/zone_file.h"

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

// Past the changes a file lists (2037 in full files, the last change of the rules in slim ones)
// the file's closing rule decides. Expected offsets from Python's zoneinfo on the same files.
TEST(ZoneFile, ClosingRuleDecidesPastTheListedChanges) {
  struct Case {
    const char* zone;
    TimeValue at;
    int offset;
  };
  const Case cases[] = {
      {"Europe/London", UtcFromCalendar(2040, 3, 25, 0, 59, 59), 0},
      {"Europe/London", UtcFromCalendar(2040, 3, 25, 1), 3600},
      {"Europe/London", UtcFromCalendar(2040, 10, 28, 0, 59, 59), 3600},
      {"Europe/London", UtcFromCalendar(2040, 10, 28, 1), 0},
      {"America/New_York", UtcFromCalendar(2040, 3, 11, 6, 59, 59), -18000},
      {"America/New_York", UtcFromCalendar(2040, 3, 11, 7), -14400},
      {"America/New_York", UtcFromCalendar(2040, 11, 4, 5, 59, 59), -14400},
      {"America/New_York", UtcFromCalendar(2040, 11, 4, 6), -18000},
      {"Australia/Lord_Howe", UtcFromCalendar(2040, 1, 15), 39600},
      {"Australia/Lord_Howe", UtcFromCalendar(2040, 3, 31, 14, 59, 59), 39600},
      {"Australia/Lord_Howe", UtcFromCalendar(2040, 3, 31, 15), 37800},
      {"Australia/Sydney", UtcFromCalendar(2040, 10, 6, 15, 59, 59), 36000},
      {"Australia/Sydney", UtcFromCalendar(2040, 10, 6, 16), 39600},
      {"Asia/Tokyo", UtcFromCalendar(2040, 7, 1), 32400},
  };
  if (!LoadZoneFile(SystemZoneFolder(), "Europe/London"))
    GTEST_SKIP() << "no zone files in " << SystemZoneFolder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    const auto zone = LoadZoneFile(SystemZoneFolder(), c.zone);
    ASSERT_TRUE(zone.has_value());
    EXPECT_EQ(zone->OffsetAt(c.at), c.offset) << c.at;
  }
}

TEST(PosixRuleOffset, DatesTimesAndRulesItCannotRead) {
  const TimeValue july = UtcFromCalendar(2041, 7, 1);
  const TimeValue january = UtcFromCalendar(2041, 1, 15);
  // Day 59 counted from 0 is 29 February in a leap year (2040); J60 is 1 March in any year.
  EXPECT_EQ(PosixRuleOffset("AAA-1BBB,59/0,300", UtcFromCalendar(2040, 2, 28, 22, 59, 59)), 3600);
  EXPECT_EQ(PosixRuleOffset("AAA-1BBB,59/0,300", UtcFromCalendar(2040, 2, 28, 23)), 7200);
  EXPECT_EQ(PosixRuleOffset("AAA-1BBB,J60/0,J300", UtcFromCalendar(2040, 2, 29, 22, 59, 59)), 3600);
  EXPECT_EQ(PosixRuleOffset("AAA-1BBB,J60/0,J300", UtcFromCalendar(2040, 2, 29, 23)), 7200);
  // Times beyond a day and before it, as version 3 files write them.
  EXPECT_EQ(PosixRuleOffset("<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", july), -7200);
  EXPECT_EQ(PosixRuleOffset("EST5EDT,M3.2.0/26,M11.1.0", july), -14400);
  EXPECT_EQ(PosixRuleOffset("<+0545>-5:45", january), 20700);
  EXPECT_EQ(PosixRuleOffset("UTC0", july), 0);
  for (const char* bad : {"", "E5", "EST", "EST5EDT,M13.1.0,M11.1.0", "EST5EDT,M3.2.0",
                          "EST5EDT,M3.6.0,M11.1.0", "<EST5", "EST5EDT,J0,J100", "EST5x"}) {
    EXPECT_FALSE(PosixRuleOffset(bad, july).has_value()) << bad;
  }
}

// Periods: the change that began one and the next that ends it, the standard time beside the
// saving (Dublin's winter time is its saving kind, one hour below its standard), from the
// listed changes and from the closing rule alike; and the cache, asked back and forth across
// the changes as a clock running backwards and forwards would, answers as the file does.
TEST(ZoneFile, PeriodsAndTheCacheAcrossChanges) {
  struct Case {
    const char* zone;
    TimeValue at;
    TimeValue begin, end;
    int offset, standard;
    bool saving;
  };
  const TimeValue londonSpring = UtcFromCalendar(2027, 3, 28, 1);
  const TimeValue londonAutumn = UtcFromCalendar(2027, 10, 31, 1);
  const TimeValue dublinSpring2041 = UtcFromCalendar(2041, 3, 31, 1);
  const Case cases[] = {
      {"Europe/London", londonSpring - 1, UtcFromCalendar(2026, 10, 25, 1), londonSpring, 0, 0, false},
      {"Europe/London", londonSpring, londonSpring, londonAutumn, 3600, 0, true},
      {"Europe/London", londonAutumn - 1, londonSpring, londonAutumn, 3600, 0, true},
      {"Europe/Dublin", UtcFromCalendar(2027, 1, 15), UtcFromCalendar(2026, 10, 25, 1), londonSpring, 0, 3600, true},
      {"Europe/Dublin", UtcFromCalendar(2027, 7, 15), londonSpring, londonAutumn, 3600, 3600, false},
      {"Europe/Dublin", dublinSpring2041 - 1, UtcFromCalendar(2040, 10, 28, 1), dublinSpring2041, 0, 3600, true},
      {"Australia/Lord_Howe", UtcFromCalendar(2027, 4, 3, 15), UtcFromCalendar(2027, 4, 3, 15),
       UtcFromCalendar(2027, 10, 2, 15, 30), 37800, 37800, false},
  };
  ZoneFileCache cache(SystemZoneFolder());
  if (!cache.Find("Europe/Dublin")) GTEST_SKIP() << "no zone files in " << SystemZoneFolder();
  for (int pass = 0; pass < 2; ++pass) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.at));
      const ZonePeriod p = cache.Find(c.zone)->PeriodAt(c.at);
      EXPECT_EQ(p.begin, c.begin);
      EXPECT_EQ(p.end, c.end);
      EXPECT_EQ(p.offset, c.offset);
      EXPECT_EQ(p.standardOffset, c.standard);
      EXPECT_EQ(p.saving, c.saving);
      const auto cached = cache.PeriodAt(c.zone, c.at);
      ASSERT_TRUE(cached.has_value());
      EXPECT_EQ(cached->offset, c.offset);
      EXPECT_TRUE(cached->Contains(c.at));
    }
  }
  EXPECT_FALSE(cache.PeriodAt("Nowhere/Nowhere", 0).has_value());
}

}  // namespace
}  // namespace meridiana
