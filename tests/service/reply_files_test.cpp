// Reply files held in memory: a replaced file is served anew at the next request, a removed
// one not at all, and files long gone are not held for ever.

#include "service/reply_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/file_util.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

TEST(ReplyFiles, ServesWhatIsOnDiskNow) {
  TempDir dir;
  ReplyFiles files(dir.path());
  EXPECT_EQ(files.Get("quakes.xml"), nullptr);
  dir.Write("quakes.xml", "first");
  const auto first = files.Get("quakes.xml");
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, "first");
  EXPECT_EQ(files.Get("quakes.xml"), first) << "held, not read again";
  // Replaced the way the ingest does it: same size, renamed into place within the same second.
  ASSERT_TRUE(WriteWholeFile(dir.File("quakes.xml").c_str(), "fresh", 5));
  const auto second = files.Get("quakes.xml");
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, "fresh");
  EXPECT_EQ(*first, "first") << "a reply being sent keeps its bytes";
  ::unlink(dir.File("quakes.xml").c_str());
  EXPECT_EQ(files.Get("quakes.xml"), nullptr);
  ASSERT_TRUE(CreateFolder(dir.File("clouds").c_str()));
  EXPECT_EQ(files.Get("clouds"), nullptr) << "a folder";
}

TEST(ReplyFiles, ForgetsFilesThatAreGone) {
  TempDir dir;
  ReplyFiles files(dir.path());
  const auto name = [](int i) { return std::string("f").append(std::to_string(i)); };
  for (int i = 0; i < 100; ++i) dir.Write(name(i), std::to_string(i));
  for (int i = 0; i < 100; ++i) ASSERT_EQ(*files.Get(name(i)), std::to_string(i));
  EXPECT_EQ(files.HeldCount(), kMaxHeldReplyFiles);
  for (int i = 0; i < 100; ++i) ::unlink(dir.File(name(i)).c_str());
  dir.Write("new", "n");
  EXPECT_EQ(*files.Get("new"), "n");
  EXPECT_EQ(files.HeldCount(), 1u);
}

}  // namespace
}  // namespace meridiana::service
