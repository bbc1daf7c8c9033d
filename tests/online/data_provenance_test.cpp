// Where the service's lists came from: the root element's attributes as they come (present,
// missing, garbled, hostile), the ages and ranges made of them, and the failure texts.

#include "online/data_provenance.h"

#include <gtest/gtest.h>

#include "online/quake_feed.h"

namespace meridiana {
namespace {

const TimeValue kNow = UtcFromCalendar(2026, 12, 9, 15, 43, 0);

TEST(Provenance, ReadFromTheRootElementOnly) {
  const DataProvenance live = ReadProvenance(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QUAKES source=\"USGS\" "
      "updated=\"2026-12-09T15:40:00Z\" failed=\"2026-12-09T16:10:00Z\" "
      "problem=\"timed out &amp; &quot;gave up&quot; &apos;&lt;x&gt;&apos;\">\n<QUAKE "
      "source=\"other\" lat=\"1\"/>"
      "</QUAKES>\n",
      "QUAKES");
  EXPECT_TRUE(live.present);
  EXPECT_EQ(live.source, "USGS");
  EXPECT_FALSE(live.sample);
  EXPECT_EQ(live.updated, kNow - 180);
  EXPECT_TRUE(live.refreshFailed);
  EXPECT_EQ(live.failed, UtcFromCalendar(2026, 12, 9, 16, 10, 0));
  EXPECT_EQ(live.problem, "timed out & \"gave up\" '<x>'");

  const DataProvenance sample =
      ReadProvenance("<images SAMPLE=1 Source='Sample'><IMAGE t=\"2018020712\"/>", "IMAGES");
  EXPECT_TRUE(sample.present);
  EXPECT_TRUE(sample.sample);
  EXPECT_EQ(sample.source, "Sample");
  EXPECT_FALSE(sample.refreshFailed);

  // An older service says nothing; a tag that only starts with the name is another element.
  for (const char* body : {"<QUAKES>\n<QUAKE source=\"USGS\"/></QUAKES>", "<QUAKESX source=a>", "",
                           "<ERROR n=\"1\">no</ERROR>", "<QUAKES"})
    EXPECT_FALSE(ReadProvenance(body, "QUAKES").present) << body;
}

TEST(Provenance, GarbledValuesAreHarmless) {
  const DataProvenance p = ReadProvenance(
      "<QUAKES source=\"US\nGS\x01-with-a-very-long-name-that-goes-on-and-on\" sample=\"yes\" "
      "updated=\"2026-13-09T15:40:00Z\" failed=\"yesterday\">",
      "QUAKES");
  EXPECT_TRUE(p.present);
  EXPECT_EQ(p.source.find_first_of("\n\x01"), std::string::npos);
  EXPECT_LE(p.source.size(), kMaxSourceNameBytes);
  EXPECT_FALSE(p.sample);  // only "1" is the sample
  EXPECT_EQ(p.updated, 0);
  EXPECT_TRUE(p.refreshFailed);  // failed, though when does not read
  EXPECT_EQ(p.failed, 0);
  EXPECT_LE(ReadProvenance("<QUAKES problem=\"" + std::string(5000, 'x') + "\">", "QUAKES")
                .problem.size(),
            kMaxProblemBytes);

  for (const char* bad : {"2026-12-09T15:40:00", "2026-12-09 15:40:00Z", "2026-02-30T00:00:00Z",
                          "2026-12-09T24:00:00Z", "+026-12-09T15:40:00Z", "2026-12-09T15:40:00Zz"})
    EXPECT_FALSE(ParseIsoTime(bad)) << bad;
  EXPECT_EQ(ParseIsoTime("1970-01-01T00:00:00Z"), 0);
  EXPECT_EQ(FrameTime("202612091340"), kNow - 180 - 2 * 3600);
  EXPECT_EQ(FrameTime("2026120913"), UtcFromCalendar(2026, 12, 9, 13));
  EXPECT_FALSE(FrameTime("20261209"));
  EXPECT_FALSE(FrameTime("2026120925"));
  EXPECT_FALSE(FrameTime("sample01xx"));
}

TEST(Provenance, AgeTexts) {
  const ProvenanceTexts english;
  const std::pair<TimeValue, const char*> cases[] = {
      {0, "just now"},
      {59, "just now"},
      {60, "1 min ago"},
      {180, "3 min ago"},
      {3599, "59 min ago"},
      {3600, "1 h ago"},
      {2 * 3600 + 59, "2 h ago"},
      {47 * 3600, "47 h ago"},
      {5 * 86400 + 7, "5 d ago"},
      // A clock a little behind the service's is no news; far ahead, the date is given.
      {-120, "just now"},
      {-3600, "2026-12-09 16:43 UTC"}};
  for (const auto& [age, text] : cases) EXPECT_EQ(AgeText(kNow - age, kNow, english), text) << age;
  ProvenanceTexts german;
  german.hoursAgo = "vor %s Std.";
  EXPECT_EQ(AgeText(kNow - 7200, kNow, german), "vor 2 Std.");
}

std::vector<QuakeRecord> Quakes(std::initializer_list<const char*> times) {
  std::vector<QuakeRecord> records;
  for (const char* t : times) records.push_back({t, 0, 0, 0, 0});
  return records;
}

TEST(Provenance, SampleRangeFromTheEventsTimes) {
  const ProvenanceTexts english;
  EXPECT_EQ(QuakeRangeText(Quakes({"2018-02-07 23:59:10", "2018-01-31 00:02:00",
                                   "2018-02-03 12:00:00", "garbled"}),
                           english),
            "31 Jan - 7 Feb 2018");
  EXPECT_EQ(QuakeRangeText(Quakes({"2018-01-02 10:00:00", "2017-12-30 10:00:00"}), english),
            "30 Dec 2017 - 2 Jan 2018");
  EXPECT_EQ(QuakeRangeText(Quakes({"2018-02-07 10:00:00", "2018-02-07 11:00:00"}), english),
            "7 Feb 2018");
  EXPECT_EQ(QuakeRangeText(Quakes({"", "2018-02-30 00:00:00", "x"}), english), "");
  ProvenanceTexts shortList;
  shortList.months = "janv. févr.";  // a translation missing months falls back to numbers
  EXPECT_EQ(QuakeRangeText(Quakes({"2018-01-31 00:00:00", "2018-03-01 00:00:00"}), shortList),
            "31 janv. - 1 3 2018");
}

TEST(Provenance, LinesBesideTheLayers) {
  const ProvenanceTexts english;
  const std::vector<QuakeRecord> week = Quakes({"2018-01-31 01:00:00", "2018-02-07 22:00:00"});
  DataProvenance p;
  EXPECT_EQ(QuakeSourceLine(p, week, kNow, english), "");  // an older service: no line
  EXPECT_EQ(CloudSourceLine(p, "goes", "2026120913", kNow, english), "");
  p.present = true;
  p.source = "USGS";
  p.updated = kNow - 180;
  EXPECT_EQ(QuakeSourceLine(p, week, kNow, english), "USGS, 3 min ago");
  p.updated = 0;
  EXPECT_EQ(QuakeSourceLine(p, week, kNow, english), "USGS");
  // A cloud frame is aged by its own name; its m names the chain entry it came from.
  p.source = "eumetsat";
  EXPECT_EQ(CloudSourceLine(p, "", "202612091343", kNow, english), "eumetsat, 2 h ago");
  EXPECT_EQ(CloudSourceLine(p, "gibs", "2026120913", kNow, english), "gibs, 2 h ago");
  p.sample = true;
  p.source = "Sample";
  EXPECT_EQ(QuakeSourceLine(p, week, kNow, english), "Sample: 31 Jan - 7 Feb 2018");
  EXPECT_EQ(CloudSourceLine(p, "sample-synthetic-motion", "2018020712", kNow, english),
            "Sample: synthetic motion");
}

TEST(Provenance, FailureTextsAndTheCommandLinesReport) {
  const ProvenanceTexts english;
  DataProvenance p;
  p.present = true;
  p.source = "USGS";
  p.updated = kNow - 2 * 3600;
  EXPECT_EQ(RefreshFailureText(p, true, kNow, english), "");
  EXPECT_EQ(ProvenanceReport(p, "", kNow),
            std::vector<std::string>{"source: USGS, updated 2026-12-09 13:43 UTC (2 h ago)"});
  p.refreshFailed = true;
  p.failed = kNow - 60;
  p.problem = "HTTP 503 %s";  // a problem is never read for placeholders
  EXPECT_EQ(RefreshFailureText(p, true, kNow, english),
            "Live earthquakes could not be downloaded: HTTP 503 %s; showing data from 2 h ago");
  EXPECT_EQ(ProvenanceReport(p, "", kNow),
            (std::vector<std::string>{"source: USGS, updated 2026-12-09 13:43 UTC (2 h ago)",
                                      "last refresh failed at 2026-12-09 15:42 UTC: HTTP 503 %s"}));
  p.sample = true;
  p.updated = 0;
  EXPECT_EQ(RefreshFailureText(p, false, kNow, english),
            "Live clouds could not be downloaded: HTTP 503 %s; showing the sample");
  EXPECT_EQ(ProvenanceReport(p, "synthetic motion", kNow)[0], "sample: synthetic motion");
  EXPECT_EQ(ProvenanceReport(DataProvenance{}, "", kNow),
            std::vector<std::string>{"source: not stated"});
}

}  // namespace
}  // namespace meridiana
