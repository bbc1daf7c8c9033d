// The service's documents as the program's own reply readers see them.

#include "service/reply_documents.h"

#include <gtest/gtest.h>

#include "online/markup.h"
#include "online/quake_feed.h"
#include "online/service_reply.h"

namespace meridiana::service {
namespace {

struct ErrorHost : ServiceReplyHost {
  void StopCloudAnimation() override {}
  void ShowServiceError(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

TEST(ReplyDocuments, QuakesReadBackThroughTheProgramsReader) {
  const std::vector<QuakeEntry> quakes = {
      {34.4945, -118.66716, 2.0, 26.49, 1517966773840},
      {-17.9, 179.99996, 5.016, -0.004, 0},
      {-90, 180, -0.5, 700, -1},
  };
  const std::string document = QuakesDocument(quakes);
  EXPECT_EQ(document.rfind(kXmlDeclaration, 0), 0u);
  const std::vector<QuakeRecord> read = ReadQuakeRecords(document);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_FLOAT_EQ(read[0].latitude, 34.4945f);
  EXPECT_FLOAT_EQ(read[0].longitude, -118.6672f);  // four decimals
  EXPECT_FLOAT_EQ(read[0].magnitude, 2.0f);
  EXPECT_FLOAT_EQ(read[0].depth, 26.49f);
  EXPECT_EQ(read[0].time, "2018-02-07 01:26:13");  // the fraction dropped, not rounded
  EXPECT_FLOAT_EQ(read[1].longitude, 180.0f);
  EXPECT_FLOAT_EQ(read[1].magnitude, 5.02f);
  EXPECT_EQ(read[1].depth, 0.0f);
  EXPECT_EQ(read[1].time, "1970-01-01 00:00:00");
  EXPECT_FLOAT_EQ(read[2].magnitude, -0.5f);
  EXPECT_EQ(read[2].time, "1969-12-31 23:59:59");  // a millisecond before 1970
  EXPECT_NE(document.find("depth=\"0\""), std::string::npos) << "no \"-0\"";
}

TEST(ReplyDocuments, ImageListKeepsOrderAndEveryAttribute) {
  const std::string document =
      ImagesDocument({{"201802070130", "synthetic-motion", 101146, 85}, {"2018020700", "a", 7, 1}});
  std::vector<MarkupToken> images;
  for (const MarkupToken& token : ScanMarkup(document))
    if (TagIs(token, "IMAGE")) images.push_back(token);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(AttributeValue(images[0], "t"), "201802070130");
  EXPECT_EQ(AttributeValue(images[0], "m"), "synthetic-motion");
  EXPECT_EQ(AttributeInt(images[0], "s"), 101146);
  EXPECT_EQ(AttributeInt(images[0], "q"), 85);
  EXPECT_EQ(AttributeValue(images[1], "t"), "2018020700");
  EXPECT_EQ(ImagesDocument({}), std::string(kXmlDeclaration) + "<IMAGES>\n</IMAGES>\n");
}

TEST(ReplyDocuments, ProvenanceIsOnTheRootElementAndTheRecordsStayReadable) {
  Provenance live{"USGS", false, 1765294800, 1765298400, "status 500 \"x\" <y>"};
  const std::string quakes = QuakesDocument({{1, 2, 3, 4, 0}}, live);
  EXPECT_NE(quakes.find("<QUAKES source=\"USGS\" updated=\"2025-12-09T15:40:00Z\" "
                        "failed=\"2025-12-09T16:40:00Z\" problem=\"status 500 &quot;x&quot; "
                        "&lt;y&gt;\">\n"),
            std::string::npos);
  EXPECT_EQ(ReadQuakeRecords(quakes).size(), 1u);
  const std::string sample = ImagesDocument({}, {"Sample", true, 0, 0, ""});
  EXPECT_NE(sample.find("<IMAGES source=\"Sample\" sample=\"1\">"), std::string::npos);
  EXPECT_EQ(ProvenanceAttributes({}), "");
  EXPECT_EQ(IsoTimeText(0), "1970-01-01T00:00:00Z");
}

TEST(ReplyDocuments, ErrorTextCannotBecomeMarkup) {
  ErrorHost host;
  EXPECT_EQ(CheckReply(ErrorDocument(404, "Not found"), host), 404);
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0], "Not found");

  // A hostile text stays one text token: no tag, no attribute, no format directive acted on.
  const std::string hostile = ErrorDocument(1, "<QUAKE lat=\"1\"/> & \"%s%n\" \x01");
  EXPECT_TRUE(ReadQuakeRecords(hostile).empty());
  EXPECT_NE(hostile.find("&lt;QUAKE lat=&quot;1&quot;/&gt; &amp; &quot;%s%n&quot;  </ERROR>"),
            std::string::npos);
  EXPECT_EQ(CheckReply(hostile, host), 1);
}

TEST(ReplyDocuments, TimeAndNumberTexts) {
  EXPECT_EQ(QuakeTimeText(1517968154000), "2018-02-07 01:49:14");
  EXPECT_EQ(QuakeTimeText(951782400000), "2000-02-29 00:00:00");
  EXPECT_EQ(QuakeTimeText(253402300800000), "");  // year 10000
  EXPECT_EQ(DecimalText(2.50, 2), "2.5");
  EXPECT_EQ(DecimalText(-0.00001, 4), "0");
  EXPECT_EQ(DecimalText(100, 2), "100");
  EXPECT_EQ(DecimalText(1.0 / 0.0, 2), "0");
}

}  // namespace
}  // namespace meridiana::service
