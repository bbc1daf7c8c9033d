// The week from a USGS GeoJSON feed: the window, the order, what is skipped, what is refused,
// and the old list kept when a feed is bad.

#include "service/quake_ingest.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>

#include "foundation/file_util.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

constexpr long long kGenerated = 1517968154000;  // the 2018 sample's own time

std::string Feature(long long time, const std::string& mag, const std::string& coordinates) {
  return "{\"type\":\"Feature\",\"properties\":{\"mag\":" + mag +
         ",\"place\":\"x\",\"time\":" + std::to_string(time) +
         ",\"tz\":null},\"geometry\":{\"type\":\"Point\",\"coordinates\":" + coordinates +
         "},\"id\":\"ci1\"}";
}

std::string Feed(const std::vector<std::string>& features, long long generated = kGenerated) {
  std::string text =
      "{\"type\":\"FeatureCollection\",\"metadata\":{\"generated\":" + std::to_string(generated) +
      ",\"count\":3},\"features\":[";
  for (std::size_t i = 0; i < features.size(); ++i) text += (i ? "," : "") + features[i];
  return text + "],\"bbox\":[-180,-90,0,180,90,700]}";
}

std::vector<QuakeEntry> Week(const std::string& text) {
  std::string error;
  const std::optional<UsgsFeed> feed = ReadUsgsFeed(text, &error);
  EXPECT_TRUE(feed) << error;
  return feed ? SelectWeek(*feed) : std::vector<QuakeEntry>{};
}

TEST(QuakeIngest, KeepsTheSevenDaysBeforeTheFeedsOwnTimeNewestFirst) {
  const std::vector<QuakeEntry> week = Week(Feed({
      Feature(kGenerated - kWeekMs - 1, "1.1", "[1,1,1]"),  // a millisecond too old
      Feature(kGenerated - kWeekMs, "1.2", "[2,2,2]"), Feature(kGenerated - 5000, "1.3", "[3,3,3]"),
      Feature(kGenerated + 1, "1.4", "[4,4,4]"),  // after the feed was made
      Feature(kGenerated, "1.5", "[5,5,5]"),
      Feature(kGenerated - 5000, "1.6", "[6,6,6]"),  // same time as 1.3, later in the feed
  }));
  ASSERT_EQ(week.size(), 4u);
  EXPECT_EQ(week[0].magnitude, 1.5);
  EXPECT_EQ(week[1].magnitude, 1.3);
  EXPECT_EQ(week[2].magnitude, 1.6);
  EXPECT_EQ(week[3].magnitude, 1.2);
  EXPECT_EQ(week[3].longitude, 2);
  EXPECT_EQ(week[3].latitude, 2);
  EXPECT_EQ(week[3].depth, 2);
}

TEST(QuakeIngest, SkipsFeaturesItCannotPlaceAndReadsFieldsInAnyOrder) {
  std::string error;
  const std::string metadataLast =
      "{\"features\":[" + Feature(kGenerated, "null", "[1,1,1]") + "," +
      Feature(kGenerated, "\"2.5\"", "[1,1,1]") + "," + Feature(kGenerated, "2", "[1,91,1]") + "," +
      Feature(kGenerated, "2", "[-181,1,1]") + "," + Feature(kGenerated, "2", "[1]") + "," +
      Feature(kGenerated, "2", "[1,[2],3]") + "," + Feature(kGenerated, "2", "null") + "," +
      "{\"properties\":{\"mag\":2},\"geometry\":{\"coordinates\":[1,1]}}," +
      "{\"geometry\":{\"coordinates\":[-122.5,37.75]},\"properties\":{\"time\":1.517968e12," +
      "\"mag\":-0.4}}],\"metadata\":{\"generated\":" + std::to_string(kGenerated) + "}}";
  const std::optional<UsgsFeed> feed = ReadUsgsFeed(metadataLast, &error);
  ASSERT_TRUE(feed) << error;
  EXPECT_EQ(feed->features, 9u);
  const std::vector<QuakeEntry> week = SelectWeek(*feed);
  ASSERT_EQ(week.size(), 1u);
  EXPECT_EQ(week[0].longitude, -122.5);
  EXPECT_EQ(week[0].latitude, 37.75);
  EXPECT_EQ(week[0].depth, 0);  // no third coordinate
  EXPECT_EQ(week[0].magnitude, -0.4);
  EXPECT_EQ(week[0].timeMs, 1517968000000);
}

TEST(QuakeIngest, ABadFeedLeavesTheLastGoodListInPlace) {
  TempDir dir;
  std::string message;
  ASSERT_TRUE(
      IngestQuakesText(Feed({Feature(kGenerated, "4.5", "[10,20,30]")}), dir.path(), &message))
      << message;
  EXPECT_EQ(message, "1 events kept of 1 features, the week before 2018-02-07 01:49:14 UTC");
  const std::string quakes = dir.File("quakes.xml");
  const std::optional<std::string> good = ReadWholeFile(quakes.c_str());
  ASSERT_TRUE(good);
  EXPECT_NE(good->find("<QUAKE lat=\"20\" lon=\"10\" m=\"4.5\" depth=\"30\""), std::string::npos);

  std::string deep = "{\"metadata\":{\"generated\":1},\"features\":[";
  for (int i = 0; i < 100; ++i) deep += "[";
  const char* bad[] = {
      "",
      "{",
      "[]",
      "<?xml version=\"1.0\"?><QUAKES/>",
      "{\"features\":[]}",
      "{\"metadata\":{\"generated\":null},\"features\":[]}",
      "{\"metadata\":{\"generated\":\"2018-02-07\"},\"features\":[]}",
      "{\"metadata\":{\"generated\":1},\"features\":{}}",
      "{\"metadata\":{\"generated\":1},\"features\":[]} trailing",
      deep.c_str(),
  };
  for (const char* text : bad) {
    EXPECT_FALSE(IngestQuakesText(text, dir.path(), &message)) << text;
    EXPECT_EQ(message.rfind("bad feed: ", 0), 0u) << message;
    EXPECT_EQ(ReadWholeFile(quakes.c_str()), good) << text;
  }
  EXPECT_FALSE(IngestQuakesFile(dir.File("absent.geojson").c_str(), dir.path(), &message));
  EXPECT_FALSE(IngestQuakesFile(dir.path().c_str(), dir.path(), &message));  // a folder
  EXPECT_EQ(ReadWholeFile(quakes.c_str()), good);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(QuakeIngest, AMillionFeaturesStreamInBoundedMemoryAndTheListIsCapped) {
  TempDir dir;
  const std::string path = dir.File("million.geojson");
  {
    FilePtr file = OpenFile(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fprintf(file.get(), "{\"metadata\":{\"generated\":%lld},\"features\":[", kGenerated);
    for (int i = 0; i < 1'000'000; ++i) {
      std::fprintf(file.get(),
                   "%s{\"properties\":{\"time\":%lld,\"mag\":%d.5},\"geometry\":{"
                   "\"coordinates\":[%d.25,%d.5,10]}}",
                   i ? "," : "", kGenerated - i * 500LL, i % 9, i % 359 - 179, i % 179 - 89);
    }
    std::fputs("]}", file.get());
  }
  const long before = PeakKilobytes();
  std::string message;
  ASSERT_TRUE(IngestQuakesFile(path.c_str(), dir.path(), &message)) << message;
  EXPECT_EQ(message.rfind("100000 events kept of 1000000 features", 0), 0u) << message;
  // The file is about 85 MB; the events a fraction of that, whatever the file's size.
  EXPECT_LT(PeakKilobytes() - before, 400L * 1024);
  const std::optional<std::string> list = ReadWholeFile(dir.File("quakes.xml").c_str());
  ASSERT_TRUE(list);
  std::size_t count = 0;
  for (std::size_t at = list->find("<QUAKE "); at != std::string::npos;
       at = list->find("<QUAKE ", at + 1))
    ++count;
  EXPECT_EQ(count, kMaxListedQuakes);
  const std::string newest =
      // A feed without a title names no source; its generation time is when it was updated.
      "<QUAKES updated=\"2018-02-07T01:49:14Z\">\n<QUAKE lat=\"-89.5\" lon=\"-179.25\" m=\"0.5\" "
      "depth=\"10\" "
      "qt=\"2018-02-07 01:49:14\"/>\n";
  const std::string oldestKept =
      "<QUAKE lat=\"28.5\" lon=\"18.25\" m=\"0.5\" depth=\"10\" "
      "qt=\"2018-02-06 11:55:54\"/>\n</QUAKES>\n";
  EXPECT_NE(list->find(newest), std::string::npos);
  EXPECT_EQ(list->size() - list->rfind(oldestKept), oldestKept.size());
}

}  // namespace
}  // namespace meridiana::service
