// The aurora list the service writes: read back by the program as it was written, its times
// kept when a failed refresh is noted on it, and the old list kept when a forecast is bad.

#include "service/aurora_ingest.h"

#include <gtest/gtest.h>

#include "foundation/file_util.h"
#include "online/aurora_feed.h"
#include "online/data_provenance.h"
#include "service/data_folder.h"
#include "service/list_provenance.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

AuroraGrid SomeGrid() {
  AuroraGrid grid;
  grid.Clear();
  grid.observed = 1736718120;
  grid.forecast = 1736722260;
  grid.Set(0, 65, 12);
  grid.Set(180, -70, 100);
  grid.Set(359, 90, 1);
  return grid;
}

TEST(AuroraList, TheProgramReadsBackWhatWasWrittenEvenAfterAFailureIsNoted) {
  TempDir folder;
  const AuroraGrid grid = SomeGrid();
  std::string message;
  ASSERT_TRUE(WriteAuroraList(grid, AuroraLiveProvenance(grid), folder.path(), &message))
      << message;
  EXPECT_EQ(message, "3 points of 1 % or more, forecast for 2025-01-12 22:51:00 UTC");
  const std::string path = InFolder(folder.path(), kAuroraFile);
  ASSERT_TRUE(RewriteListProvenance(path, [](Provenance& p) {
    p.failed = 1736725000;
    p.problem = "status 503";
  }));
  const std::optional<std::string> body = ReadWholeFile(path.c_str());
  ASSERT_TRUE(body);
  const std::optional<AuroraGrid> read = ReadAuroraReply(*body);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->percent, grid.percent);
  EXPECT_EQ(read->observed, grid.observed);
  EXPECT_EQ(read->forecast, grid.forecast);
  const DataProvenance provenance = meridiana::ReadProvenance(*body, "AURORA");
  EXPECT_EQ(provenance.source, "NOAA SWPC");
  EXPECT_EQ(provenance.updated, grid.observed);
  EXPECT_TRUE(provenance.refreshFailed);
  EXPECT_EQ(provenance.problem, "status 503");
}

TEST(AuroraList, ABadForecastLeavesTheOldList) {
  TempDir folder;
  const std::string good = folder.File("good.json");
  const std::string bad = folder.File("bad.json");
  const std::string text =
      "{\"Forecast Time\": \"2025-01-12T22:51:00Z\", \"coordinates\": [[10, 66, 20]]}";
  ASSERT_TRUE(WriteWholeFile(good.c_str(), text.data(), text.size()));
  ASSERT_TRUE(WriteWholeFile(bad.c_str(), "[1, 2]", 6));
  std::string message;
  ASSERT_TRUE(IngestAuroraFile(good.c_str(), folder.path(), &message, /*sample=*/true)) << message;
  const std::string path = InFolder(folder.path(), kAuroraFile);
  const std::optional<std::string> before = ReadWholeFile(path.c_str());
  EXPECT_FALSE(IngestAuroraFile(bad.c_str(), folder.path(), &message));
  EXPECT_NE(message.find("no coordinates list"), std::string::npos) << message;
  EXPECT_EQ(ReadWholeFile(path.c_str()), before);
}

}  // namespace
}  // namespace meridiana::service
