// The earthquake reply and the check every service reply passes: records in reply order, names
// in any case, the service's error text shown as it stands, and the download's status texts.

#include "online/quake_feed.h"

#include <gtest/gtest.h>

#include "online/scripted_server.h"
#include "support/manual_event_loop.h"

namespace meridiana {
namespace {

class RecordingHost : public QuakeFeed::Host {
 public:
  void StopCloudAnimation() override { ++stops; }
  void ShowServiceError(std::string_view text) override { errors.emplace_back(text); }
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void RepaintMap() override { ++repaints; }
  // The count and the refusal are filled in to the interface language's wording.
  std::string Text(int id) override {
    if (id == 1501) return "%s earthquake events recorded in the past 7 days";
    if (id == 1502) return "list over %s events or %s MiB";
    return "text " + std::to_string(id);
  }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return base + std::string(path);
  }
  void ShowRefreshFailure(const DataProvenance& provenance) override {
    failures.push_back(provenance.problem);
  }

  std::string base;
  std::vector<std::string> failures;
  int stops = 0;
  int repaints = 0;
  std::vector<std::string> errors;
  std::vector<std::string> statuses;
};

TEST(QuakeReply, RecordsInReplyOrderWithNamesInAnyCase) {
  const std::vector<QuakeRecord> records = ReadQuakeRecords(
      "<?xml version=\"1.0\"?>\n<QUAKES><QUAKE lat=\"-17.9\" lon=167.25 m='5.01' depth=\"10\" "
      "qt=\"2018-02-07 23:59:10\"/>\n<other lat=\"1\"/><quake LAT=\"38.5\" LON=\"-118.75\" M=2 "
      "qt=\"&quot;late&quot;\"><!-- <QUAKE lat=9> --><Quake lat=\"abc\" lon=\"1e1\">"
      "<QUAKE lat=1 m=\"nan\"><QUAKE lat=1 depth=\"inf\"><QUAKE lon=\"1e999\"></QUAKES>");
  ASSERT_EQ(records.size(), 3u);  // the last three are not finite: dropped
  EXPECT_FLOAT_EQ(records[0].latitude, -17.9f);
  EXPECT_FLOAT_EQ(records[0].longitude, 167.25f);
  EXPECT_FLOAT_EQ(records[0].magnitude, 5.01f);
  EXPECT_FLOAT_EQ(records[0].depth, 10.0f);
  EXPECT_EQ(records[0].time, "2018-02-07 23:59:10");
  EXPECT_FLOAT_EQ(records[1].latitude, 38.5f);
  EXPECT_FLOAT_EQ(records[1].longitude, -118.75f);
  EXPECT_EQ(records[1].depth, 0.0f);  // missing
  EXPECT_EQ(records[1].time, "\"late\"");
  EXPECT_EQ(records[2].latitude, 0.0f);  // not a number
  EXPECT_FLOAT_EQ(records[2].longitude, 10.0f);
  EXPECT_EQ(records[2].time, "");

  std::string many = "<QUAKES>";
  for (std::size_t i = 0; i <= kMaxQuakeRecords; ++i) many += "<QUAKE lat=1>";
  bool refused = false;
  EXPECT_TRUE(ReadQuakeRecords(many, &refused).empty());
  EXPECT_TRUE(refused);
}

TEST(QuakeReply, ServiceErrorsAreShownAsWrittenAndRefuseOnlyWithANumber) {
  struct Case {
    const char* reply;
    long result;
    std::vector<std::string> shown;
    int stops;  // animation stops: one per ERROR element read
  };
  const Case cases[] = {
      {"<?xml?><ERROR n=\"3\">Try %s%n later</ERROR><QUAKE lat=1>", 3, {"Try %s%n later"}, 1},
      {"<ERROR n=4>Down &amp; out &lt;now&gt;</ERROR>", 4, {"Down & out <now>"}, 1},
      {"<error>no number</error><QUAKE lat=1>", 0, {"no number"}, 1},
      {"<ERROR n=0>first</ERROR><ERROR n=7>second</ERROR><ERROR n=8>third</ERROR>",
       7,
       {"first", "second"},
       2},
      {"<ERROR n=5>", 5, {}, 1},
      {"<QUAKE lat=1>", 0, {}, 0},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    EXPECT_EQ(CheckReply(c.reply, host), c.result) << c.reply;
    EXPECT_EQ(host.errors, c.shown) << c.reply;
    EXPECT_EQ(host.stops, c.stops) << c.reply;
  }
}

TEST(QuakeFeed, DownloadsOnceAndReportsWhatCame) {
  test::ManualEventLoop loop;
  class NoLookups : public HostResolver {
    int Lookup(std::string_view, Reply) override { return 0; }
    bool Cancel(int) override { return false; }
  } resolver;
  HttpClient client(loop, resolver);
  client.Initialize("Quillary Meridiana", [](int, const HttpRequest*, const HttpEventValue&) {});
  const std::string body =
      "<?xml version=\"1.0\"?><QUAKES><QUAKE lat=1 lon=2 m=3><QUAKE lat=4><x><QUAKE lat=5>"
      "</QUAKES>";
  test::ScriptedServer service([&](int n) {
    return test::Conversation{{{test::Exchange::kHeader, n == 0 ? "HTTP/1.0 200 OK\r\n\r\n" + body
                                                                : "HTTP/1.0 500 Oops\r\n\r\n"}}};
  });
  RecordingHost host;
  host.base = "http://127.0.0.1:" + std::to_string(service.Port());
  QuakeFeed feed(client, host);

  ASSERT_TRUE(feed.Download());
  EXPECT_FALSE(feed.Download());  // one transfer at a time
  ASSERT_TRUE(loop.Settle([&] { return client.Idle(); }));
  EXPECT_EQ(service.Received().at(0).substr(0, 25), "GET /earthquake.cgi HTTP/");
  ASSERT_EQ(feed.records().size(), 3u);
  EXPECT_FLOAT_EQ(feed.records()[2].latitude, 5.0f);
  EXPECT_EQ(host.statuses, (std::vector<std::string>{
                               "text 1433", "3 earthquake events recorded in the past 7 days"}));
  EXPECT_EQ(host.repaints, 1);

  host.statuses.clear();
  ASSERT_TRUE(feed.Download());
  ASSERT_TRUE(loop.Settle([&] { return client.Idle(); }));
  EXPECT_EQ(host.statuses, (std::vector<std::string>{"text 1433", "text 1418"}));
  EXPECT_EQ(feed.records().size(), 3u);     // a failed download keeps what is held
  EXPECT_FALSE(feed.provenance().present);  // this service does not say where its data is from
  EXPECT_TRUE(host.failures.empty());
}

// The service's own download failed: the list it still sends is kept and drawn, and the window
// is told why, after the count.
TEST(QuakeFeed, TheServicesFailedRefreshIsToldAndItsListKept) {
  test::ManualEventLoop loop;
  class NoLookups : public HostResolver {
    int Lookup(std::string_view, Reply) override { return 0; }
    bool Cancel(int) override { return false; }
  } resolver;
  HttpClient client(loop, resolver);
  client.Initialize("Quillary Meridiana", [](int, const HttpRequest*, const HttpEventValue&) {});
  const std::string body =
      "<?xml version=\"1.0\"?>\n<QUAKES source=\"USGS\" updated=\"2026-12-09T15:40:00Z\" "
      "failed=\"2026-12-09T16:10:00Z\" problem=\"HTTP 503\">\n<QUAKE lat=1 lon=2 "
      "m=3/>\n</QUAKES>\n";
  test::ScriptedServer service([&](int) {
    return test::Conversation{{{test::Exchange::kHeader, "HTTP/1.0 200 OK\r\n\r\n" + body}}};
  });
  RecordingHost host;
  host.base = "http://127.0.0.1:" + std::to_string(service.Port());
  QuakeFeed feed(client, host);
  ASSERT_TRUE(feed.Download());
  ASSERT_TRUE(loop.Settle([&] { return client.Idle(); }));
  EXPECT_EQ(feed.records().size(), 1u);
  EXPECT_EQ(feed.provenance().source, "USGS");
  EXPECT_EQ(host.failures, std::vector<std::string>{"HTTP 503"});
  EXPECT_EQ(host.statuses.back(), "1 earthquake events recorded in the past 7 days");

  feed.Forget();  // another service: nothing of the old one's is held
  EXPECT_FALSE(feed.HasList());
  EXPECT_FALSE(feed.provenance().present);
}

}  // namespace
}  // namespace meridiana
