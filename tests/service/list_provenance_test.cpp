// Provenance on the root of a held list: read back as written, and rewritten without touching
// the events, whatever text a problem carries.

#include "service/list_provenance.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "foundation/file_util.h"
#include "service/data_folder_lock.h"
#include "service/upstream_download.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

TEST(ListProvenance, RewritingKeepsTheDataAndRoundTrips) {
  TempDir dir;
  const std::vector<QuakeEntry> quakes = {{34.5, -118.25, 2.5, 10, 1517966773000},
                                          {-12, 170, 6.1, 33, 1517960000000}};
  Provenance live;
  live.source = "USGS";
  live.updated = 1765294800;  // 2025-12-09T15:40:00Z
  const std::string path = dir.Write("quakes.xml", QuakesDocument(quakes, live));

  // A problem text longer than any fixed head of the file, and a clamped time, read back too.
  Provenance failed = live;
  failed.failed = 1765296600;
  failed.claimed = 4102444800;
  failed.problem = "https://h/x?a=1&b=\"2\": <status 503> it's down" + std::string(9000, '.');
  ASSERT_TRUE(RewriteListProvenance(path, [&](Provenance& p) {
    EXPECT_EQ(p, live);
    p.failed = failed.failed;
    p.problem = failed.problem;
    p.claimed = failed.claimed;
  }));
  EXPECT_EQ(ReadListProvenance(path), failed);
  EXPECT_EQ(*ReadWholeFile(path.c_str()), QuakesDocument(quakes, failed));

  // A later success drops the failure again; the sample flag and an empty list survive too.
  ASSERT_TRUE(RewriteListProvenance(path, [](Provenance& p) {
    p.failed = 0;
    p.problem.clear();
    p.claimed = 0;
  }));
  EXPECT_EQ(*ReadWholeFile(path.c_str()), QuakesDocument(quakes, live));
  Provenance sample{"Sample", true, 0, 0, ""};
  EXPECT_EQ(ReadProvenance(ImagesDocument({}, sample)), sample);
  EXPECT_EQ(ReadProvenance(ImagesDocument({})), Provenance{});
  EXPECT_EQ(ReadProvenance("<?xml version=\"1.0\"?>\nno root"), std::nullopt);
  EXPECT_FALSE(RewriteListProvenance(dir.File("absent.xml"), [](Provenance&) {}));
}

// A failure noted on quakes.xml waits for the folder's lock, so that it cannot put back the list
// an ingest replaces meanwhile.
TEST(ListProvenance, RewritingTakesTheFoldersLock) {
  TempDir dir;
  Provenance live;
  live.source = "USGS";
  const std::string path = dir.Write("quakes.xml", QuakesDocument({}, live));
  std::thread rewrite;
  {
    const DataFolderLock held(dir.path());
    ASSERT_TRUE(held.locked()) << held.problem();
    rewrite = std::thread([&path] {
      EXPECT_TRUE(RewriteListProvenance(path, [](Provenance& p) { p.problem = "down"; }));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadListProvenance(path)->problem, "");
  }
  rewrite.join();
  EXPECT_EQ(ReadListProvenance(path)->problem, "down");
}

TEST(ParseHttpDate, TheFixedFormOnly) {
  EXPECT_EQ(ParseHttpDate("Wed, 09 Dec 2026 15:40:00 GMT"), 1796830800);
  EXPECT_EQ(ParseHttpDate("Thu, 01 Jan 1970 00:00:01 GMT"), 1);
  for (const char* bad : {"", "Wed, 09 Dec 2026 15:40:00", "Wed, 09 Dec 2026 15:40:00 GMT x",
                          "2026-12-09T15:40:00Z", "Wed, 32 Dec 2026 15:40:00 GMT"})
    EXPECT_EQ(ParseHttpDate(bad), 0) << bad;
}

}  // namespace
}  // namespace meridiana::service
