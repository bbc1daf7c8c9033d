#include "shell/app/data_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <fstream>
#include <map>

#include "foundation/file_util.h"

namespace meridiana {
namespace {

EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

TEST(UserFolder, FollowsOverrideThenXdgThenHome) {
  struct Row {
    const char* what;
    std::map<std::string, std::string> env;
    std::string expected;
  };
  const Row rows[] = {
      {"override wins", {{"MERIDIANA_HOME", "/m"}, {"XDG_DATA_HOME", "/x"}, {"HOME", "/h"}}, "/m"},
      {"xdg data home", {{"XDG_DATA_HOME", "/x/"}, {"HOME", "/h"}}, "/x/meridiana"},
      {"empty override ignored", {{"MERIDIANA_HOME", ""}, {"XDG_DATA_HOME", "/x"}}, "/x/meridiana"},
      {"relative xdg ignored",
       {{"XDG_DATA_HOME", "rel"}, {"HOME", "/h"}},
       "/h/.local/share/meridiana"},
      {"empty xdg ignored", {{"XDG_DATA_HOME", ""}, {"HOME", "/h"}}, "/h/.local/share/meridiana"},
      // Without HOME the password database knows the home folder, as GLib and Qt assume.
      {"no home", {}, PasswordDatabaseHome() + "/.local/share/meridiana"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ResolveUserFolder(FakeEnv(row.env)), row.expected) << row.what;
  }
}

TEST(DataFolder, OverrideElseExecutableFolder) {
  EXPECT_EQ(ResolveDataFolder(FakeEnv({{"MERIDIANA_DATA", "/d"}}), "/opt/bin"), "/d");
  EXPECT_EQ(ResolveDataFolder(FakeEnv({{"MERIDIANA_DATA", ""}}), "/opt/bin"), "/opt/bin");
  EXPECT_EQ(ResolveDataFolder(FakeEnv({}), "/opt/bin"), "/opt/bin");
}

class DataSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(user_.isValid());
    ASSERT_TRUE(data_.isValid());
  }
  static void Touch(const QTemporaryDir& dir, const std::string& name) {
    std::ofstream(dir.path().toStdString() + "/" + name) << "x";
  }
  std::string User(const std::string& name) const {
    return user_.path().toStdString() + "/" + name;
  }
  std::string Data(const std::string& name) const {
    return data_.path().toStdString() + "/" + name;
  }

  QTemporaryDir user_;
  QTemporaryDir data_;
};

TEST_F(DataSearch, UserCopyOverridesInstalledCopy) {
  Touch(user_, "location.dat");
  Touch(data_, "location.dat");
  Touch(data_, "tz_data.dat");
  DataPaths paths(user_.path().toStdString(), data_.path().toStdString());
  EXPECT_EQ(paths.Find("location.dat"), User("location.dat"));
  EXPECT_EQ(paths.Find("tz_data.dat"), Data("tz_data.dat"));
}

TEST_F(DataSearch, FindsFilesInSubfoldersAndFoldersThemselves) {
  ::mkdir(Data("images").c_str(), 0755);
  ::mkdir(User("images").c_str(), 0755);
  Touch(data_, "images/earth_day.bmp");
  DataPaths paths(user_.path().toStdString(), data_.path().toStdString());
  // The user's (empty) images folder must not hide the installed picture.
  EXPECT_EQ(paths.Find("images/earth_day.bmp"), Data("images/earth_day.bmp"));
  EXPECT_EQ(paths.Find("images"), User("images"));
}

TEST_F(DataSearch, MissingOrUnsafeNamesComeBackUnchanged) {
  Touch(data_, "areacode.dat");
  DataPaths paths(user_.path().toStdString(), data_.path().toStdString());
  EXPECT_EQ(paths.Find("missing.dat"), "missing.dat");
  EXPECT_EQ(paths.Find("/etc/passwd"), "/etc/passwd");
  const std::string dataName = data_.path().section('/', -1).toStdString();
  EXPECT_EQ(paths.Find("../" + dataName + "/areacode.dat"), "../" + dataName + "/areacode.dat");
  EXPECT_EQ(paths.Find(""), "");
}

TEST_F(DataSearch, EmptyFoldersAreSkipped) {
  Touch(data_, "tz_dst.dat");
  DataPaths paths("", data_.path().toStdString());
  EXPECT_EQ(paths.Find("tz_dst.dat"), Data("tz_dst.dat"));
}

}  // namespace
}  // namespace meridiana
