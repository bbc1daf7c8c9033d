#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "foundation/file_key_value_store.h"
#include "foundation/file_util.h"
#include "foundation/ini_text.h"
#include "foundation/memory_key_value_store.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

constexpr const char* kKey = "Software\\QUILLARY\\Meridiana";

// Both stores must behave alike for everything the program relies on.
void ExerciseStore(KeyValueStore& store) {
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "zoom"), std::nullopt);
  ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, "zoom", "2"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "zoom"), "2");
  // Key paths and names ignore letter case, as registry keys do.
  EXPECT_EQ(store.Read(Hive::CurrentUser, "software\\quillary\\MERIDIANA", "Zoom"), "2");
  ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, "ZOOM", "3"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "zoom"), "3");
  // The hives are separate.
  EXPECT_EQ(store.Read(Hive::LocalMachine, kKey, "zoom"), std::nullopt);
  ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, "empty", ""));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "empty"), "");

  EXPECT_TRUE(store.Remove(Hive::CurrentUser, kKey, "zoom"));
  EXPECT_FALSE(store.Remove(Hive::CurrentUser, kKey, "zoom"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "zoom"), std::nullopt);
}

TEST(MemoryKeyValueStore, ReadsWritesAndRemoves) {
  MemoryKeyValueStore store;
  ExerciseStore(store);
  store.SetFailWrites(true);
  EXPECT_FALSE(store.Write(Hive::CurrentUser, kKey, "x", "1"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "x"), std::nullopt);
}

TEST(FileKeyValueStore, ReadsWritesAndRemoves) {
  TempDir dir;
  FileKeyValueStore store(dir.File("config/quillary"));
  ExerciseStore(store);
}

TEST(FileKeyValueStore, AnyByteStringRoundTrips) {
  TempDir dir;
  const std::string folder = dir.File("quillary");
  std::string every;
  for (int c = 0; c < 256; ++c) every.push_back(static_cast<char>(c));
  const std::pair<std::string, std::string> values[] = {
      {"every byte", every},
      {" padded name ", "  padded value  "},
      {"a=b", "x=y=z"},
      {"[bracket", "line1\r\nline2\n"},
      {";comment", "#not a comment"},
      {"backslashes", "\\n is not a newline\\"},
      {"escapes", "\\x41\\\\\\t\\"},
      {"template", "http://example.com/?q=%s&lang=%s"},
      {"", "empty name"},
  };
  const std::string oddKey = "Software\\QUILLARY\\x]\n[y";
  {
    FileKeyValueStore store(folder);
    for (const auto& [name, value] : values) {
      ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, name, value)) << name;
    }
    ASSERT_TRUE(store.Write(Hive::CurrentUser, oddKey, "v", "1"));
  }
  FileKeyValueStore reopened(folder);
  for (const auto& [name, value] : values) {
    EXPECT_EQ(reopened.Read(Hive::CurrentUser, kKey, name), value) << name;
  }
  EXPECT_EQ(reopened.Read(Hive::CurrentUser, oddKey, "v"), "1");
}

TEST(FileKeyValueStore, WritesPrivateFilesWholeInTheConfigFolder) {
  TempDir dir;
  const std::string folder = dir.File("cfg/quillary");
  FileKeyValueStore store(folder);
  ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, "refresh", "10"));
  ASSERT_TRUE(store.Write(Hive::LocalMachine, "Software\\QUILLARY\\Common", "lang", "de"));

  const std::string user = folder + "/current-user.ini";
  EXPECT_EQ(store.PathOf(Hive::CurrentUser), user);
  struct stat st {};
  ASSERT_EQ(::stat(user.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ReadWholeFile(user.c_str()), "[Software\\QUILLARY\\Meridiana]\nrefresh=10\n");
  EXPECT_TRUE(FileExists((folder + "/local-machine.ini").c_str()));

  // Replaced by rename: a reader of the old file still sees the old text whole.
  FilePtr old = OpenFile(user.c_str(), "rb");
  ASSERT_TRUE(store.Write(Hive::CurrentUser, kKey, "refresh", "20"));
  char buffer[128] = {};
  std::fread(buffer, 1, sizeof buffer - 1, old.get());
  EXPECT_STREQ(buffer, "[Software\\QUILLARY\\Meridiana]\nrefresh=10\n");
  // Nothing but the two hive files is left in the folder.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST(FileKeyValueStore, FailedWriteKeepsTheOldValues) {
  TempDir dir;
  // The configuration folder cannot be created: a file stands in its place.
  const std::string blocked = dir.Write("blocked", "not a folder");
  FileKeyValueStore store(blocked + "/quillary");
  EXPECT_FALSE(store.Write(Hive::CurrentUser, kKey, "a", "1"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "a"), std::nullopt);
}

TEST(FileKeyValueStore, NeverWritesOverAHiveFileItCannotRead) {
  TempDir dir;
  // The hive file exists but cannot be read (here: it leads to a folder). Writing a fresh file
  // in its place would silently drop every value it holds.
  std::filesystem::create_directory(dir.File("elsewhere"));
  std::filesystem::create_directory_symlink(dir.File("elsewhere"), dir.File("current-user.ini"));
  FileKeyValueStore store(dir.path());
  EXPECT_FALSE(store.Write(Hive::CurrentUser, kKey, "a", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("current-user.ini")));
  EXPECT_TRUE(store.Write(Hive::LocalMachine, kKey, "a", "1"));
}

TEST(FileKeyValueStore, KeepsValuesWrittenByAnotherCopy) {
  TempDir dir;
  FileKeyValueStore first(dir.path());
  FileKeyValueStore second(dir.path());
  ASSERT_TRUE(first.Write(Hive::CurrentUser, kKey, "a", "1"));
  ASSERT_TRUE(second.Write(Hive::CurrentUser, kKey, "b", "2"));
  FileKeyValueStore third(dir.path());
  EXPECT_EQ(third.Read(Hive::CurrentUser, kKey, "a"), "1");
  EXPECT_EQ(third.Read(Hive::CurrentUser, kKey, "b"), "2");
}

TEST(FileKeyValueStore, WriteAllStoresEveryValueOrNone) {
  TempDir dir;
  FileKeyValueStore first(dir.path());
  FileKeyValueStore other(dir.path());
  ASSERT_TRUE(first.Write(Hive::CurrentUser, kKey, "a", "1"));
  ASSERT_TRUE(other.Write(Hive::CurrentUser, kKey, "b", "2"));  // meanwhile, another copy
  ASSERT_TRUE(first.WriteAll(Hive::CurrentUser, kKey, {{"a", "10"}, {"c", "3"}}));
  FileKeyValueStore reader(dir.path());
  EXPECT_EQ(reader.Read(Hive::CurrentUser, kKey, "a"), "10");
  EXPECT_EQ(reader.Read(Hive::CurrentUser, kKey, "b"), "2");
  EXPECT_EQ(reader.Read(Hive::CurrentUser, kKey, "c"), "3");

  const std::string blocked = dir.Write("blocked", "not a folder");
  FileKeyValueStore failing(blocked + "/quillary");
  EXPECT_FALSE(failing.WriteAll(Hive::CurrentUser, kKey, {{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(failing.Read(Hive::CurrentUser, kKey, "a"), std::nullopt);
}

TEST(FileKeyValueStore, HivesFallBackToInstalledDefaults) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("data"));
  dir.Write("data/current-user.ini", "[Software\\QUILLARY\\Meridiana]\nshadow=1\n");
  dir.Write("data/local-machine.ini",
            "; installed with the program\n"
            "[Software\\QUILLARY\\Meridiana]\n"
            "hotels = http://example.com/h?c=%s\n"
            "code=ABC\n");
  FileKeyValueStore store(dir.File("user"), dir.File("data"));
  const char* key = "Software\\QUILLARY\\Meridiana";
  EXPECT_EQ(store.Read(Hive::LocalMachine, key, "hotels"), "http://example.com/h?c=%s");
  EXPECT_EQ(store.Read(Hive::CurrentUser, key, "hotels"), std::nullopt);
  // The user's own value covers the installed one; a first start sees the installed one.
  EXPECT_EQ(store.Read(Hive::CurrentUser, key, "shadow"), "1");
  ASSERT_TRUE(store.Write(Hive::CurrentUser, key, "shadow", "0"));
  EXPECT_EQ(store.Read(Hive::CurrentUser, key, "shadow"), "0");

  ASSERT_TRUE(store.Write(Hive::LocalMachine, key, "code", "XYZ"));
  EXPECT_EQ(store.Read(Hive::LocalMachine, key, "code"), "XYZ");
  // The installed file is never written; removing the user's value uncovers the default.
  EXPECT_EQ(ReadWholeFile(dir.File("data/local-machine.ini").c_str())->find("XYZ"),
            std::string::npos);
  EXPECT_TRUE(store.Remove(Hive::LocalMachine, key, "code"));
  EXPECT_EQ(store.Read(Hive::LocalMachine, key, "code"), "ABC");
  EXPECT_FALSE(store.Remove(Hive::LocalMachine, key, "hotels"));
}

TEST(FileKeyValueStore, DefaultFolderFollowsXdgConfigHome) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/xdg-home");
    EXPECT_EQ(FileKeyValueStore::DefaultConfigFolder(), "/tmp/xdg-home/quillary");
  }
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(FileKeyValueStore::DefaultConfigFolder(), "/home/someone/.config/quillary");
  }
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
  EXPECT_EQ(FileKeyValueStore::DefaultConfigFolder(), "/home/someone/.config/quillary");
  // Without HOME the folder is still absolute: the password database's home.
  ScopedEnv noHome("HOME", nullptr);
  ASSERT_FALSE(PasswordDatabaseHome().empty());
  EXPECT_EQ(FileKeyValueStore::DefaultConfigFolder(), PasswordDatabaseHome() + "/.config/quillary");
}

TEST(IniText, ReadsHandWrittenFilesLeniently) {
  const KeyValueTable table = ParseIniText(
      "top=level\r\n"
      "[Software\\QUILLARY\\Common]\r\n"
      "  lang =  de  \r\n"
      "# comment=ignored\n"
      "no equals sign\n"
      "[unclosed\n"
      "k=v\n"
      "[Software\\QUILLARY\\Common]\n"
      "proxy=host:8080\n");
  EXPECT_EQ(table.Get("", "top"), "level");
  EXPECT_EQ(table.Get("Software\\QUILLARY\\Common", "lang"), "de");
  EXPECT_EQ(table.Get("Software\\QUILLARY\\Common", "proxy"), "host:8080");
  EXPECT_EQ(table.Get("Software\\QUILLARY\\Common", "# comment"), std::nullopt);
  EXPECT_EQ(table.Get("unclosed", "k"), "v");
}

TEST(IniText, RandomTablesRoundTrip) {
  // Short random strings drawn mostly from the characters that need care.
  std::mt19937 random(42);
  const std::string alphabet = std::string("\\nrtx =[];#\r\n\t ab") + std::string(1, '\0');
  auto text = [&] {
    std::string s;
    const int n = static_cast<int>(random() % 6);
    for (int i = 0; i < n; ++i) {
      s.push_back(random() % 8 == 0 ? static_cast<char>(random())
                                    : alphabet[random() % alphabet.size()]);
    }
    return s;
  };
  for (int round = 0; round < 500; ++round) {
    KeyValueTable table;
    for (int i = 0; i < 5; ++i) table.Set(text(), text(), text());
    const KeyValueTable back = ParseIniText(FormatIniText(table));
    ASSERT_EQ(back.keys(), table.keys()) << FormatIniText(table);
  }
}

}  // namespace
}  // namespace meridiana
