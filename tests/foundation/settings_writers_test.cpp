// Two writers of one settings folder at once, as the window and meridiana-cli are: each reads
// the hive's file, changes its values and writes the file back, and neither loses the other's.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "foundation/file_key_value_store.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

TEST(SettingsWriters, NoWriteIsLost) {
  TempDir config;
  constexpr int kWrites = 150;
  const auto writer = [&config](const std::string& prefix) {
    FileKeyValueStore store(config.path());
    for (int i = 0; i < kWrites; ++i) {
      ASSERT_TRUE(store.Write(Hive::CurrentUser, "Software\\Test", prefix + std::to_string(i),
                              std::to_string(i)));
      if (i % 10 == 9) store.Remove(Hive::CurrentUser, "Software\\Test", prefix + "0");
    }
  };
  std::thread window(writer, "window");
  std::thread cli(writer, "cli");
  window.join();
  cli.join();

  const FileKeyValueStore after(config.path());
  int missing = 0;
  for (const char* prefix : {"window", "cli"}) {
    EXPECT_FALSE(after.Read(Hive::CurrentUser, "Software\\Test", std::string(prefix) + "0"));
    for (int i = 1; i < kWrites; ++i)
      if (after.Read(Hive::CurrentUser, "Software\\Test", prefix + std::to_string(i)) !=
          std::to_string(i))
        ++missing;
  }
  EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace meridiana
