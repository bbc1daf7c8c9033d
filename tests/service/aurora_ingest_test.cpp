// The aurora list the service writes: the old list kept when a forecast is bad (the list read
// back, and kept with a failure noted on it, is tested through the service in
// tests/cli/service_live_aurora.sh).

#include "service/aurora_ingest.h"

#include <gtest/gtest.h>

#include "foundation/file_util.h"
#include "service/data_folder.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

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
