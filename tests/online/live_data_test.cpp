// The live-data choice: the user's value under the machine's, and what the bundled service is
// started with because of it.

#include "online/live_data.h"

#include <gtest/gtest.h>

#include "foundation/memory_key_value_store.h"

namespace meridiana {
namespace {

TEST(LiveData, UserChoiceUnderTheMachinesValue) {
  struct Case {
    const char* machine;  // null: not set
    const char* user;
    bool on;
    bool locked;
  };
  const Case cases[] = {
      {nullptr, nullptr, true, false},  // on by default
      {nullptr, "0", false, false},    {nullptr, "1", true, false},
      {"1", nullptr, true, false},     {"1", "0", false, false},  // the machine's 1 is a default
      {"0", nullptr, false, true},     {"0", "1", false, true},   // its 0 is the last word
      {"no", "1", false, true},  // anything that reads as no number is 0, as other values
  };
  for (const Case& c : cases) {
    MemoryKeyValueStore store;
    if (c.machine) store.Write(Hive::LocalMachine, kAppKey, kLiveDataValue, c.machine);
    if (c.user) store.Write(Hive::CurrentUser, kAppKey, kLiveDataValue, c.user);
    const LiveDataChoice choice = ReadLiveData(&store);
    EXPECT_EQ(choice.on, c.on) << (c.machine ? c.machine : "-") << " " << (c.user ? c.user : "-");
    EXPECT_EQ(choice.locked, c.locked) << (c.machine ? c.machine : "-");
  }
  EXPECT_TRUE(ReadLiveData(nullptr).on);

  MemoryKeyValueStore store;
  ASSERT_TRUE(StoreLiveData(store, false));
  EXPECT_FALSE(ReadLiveData(&store).on);
  ASSERT_TRUE(StoreLiveData(store, true));
  EXPECT_TRUE(ReadLiveData(&store).on);
  // The choice is the user's own: the machine's value is never written.
  EXPECT_FALSE(store.Read(Hive::LocalMachine, kAppKey, kLiveDataValue));
}

TEST(LiveData, FolderAndServiceArguments) {
  EXPECT_EQ(LiveDataFolder("/c/", "/h"), "/c/meridiana/service");
  EXPECT_EQ(LiveDataFolder("relative", "/h"), "/h/.cache/meridiana/service");
  EXPECT_EQ(LiveDataFolder("", "/h"), "/h/.cache/meridiana/service");
  EXPECT_EQ(LiveDataFolder(nullptr, nullptr), "");
  EXPECT_EQ(BundledServiceArguments(true, "/c/meridiana/service"),
            (std::vector<std::string>{"--live", "--data", "/c/meridiana/service"}));
  EXPECT_TRUE(BundledServiceArguments(false, "/c/meridiana/service").empty());
  // Without a folder to keep it in, the sample is served as it ships.
  EXPECT_TRUE(BundledServiceArguments(true, "").empty());
}

}  // namespace
}  // namespace meridiana
