#include "foundation/install_layout.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace meridiana {
namespace {

namespace fs = std::filesystem;

class InstallLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("install-layout-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string Make(const std::string& relative, bool file = false) {
    const fs::path path = root_ / relative;
    if (file) {
      fs::create_directories(path.parent_path());
      std::ofstream(path) << "x";
    } else {
      fs::create_directories(path);
    }
    return path.string();
  }
  fs::path root_;
};

TEST_F(InstallLayout, InstalledProgramsFindTheSharedDataFromBinAndLibexec) {
  const std::string data = Make("usr/share/meridiana");
  const std::string bin = Make("usr/bin");
  const std::string libexec = Make("usr/libexec/meridiana");
  EXPECT_EQ(DataFolderBeside(bin), data);
  EXPECT_EQ(DataFolderBeside(bin + "/"), data);
  EXPECT_EQ(DataFolderBeside(libexec), data);
}

TEST_F(InstallLayout, OtherFoldersKeepTheirDataBesideThePrograms) {
  // The build tree's staging folder; a bin/ with no data installed next to it; folders whose
  // names only end like the installed ones.
  const std::string stage = Make("build/stage");
  const std::string lonelyBin = Make("opt/bin");
  Make("x/share/meridiana");
  const std::string notBin = Make("x/sbin");
  const std::string notLibexec = Make("x/libexec/meridiana-old");
  EXPECT_EQ(DataFolderBeside(stage), stage);
  EXPECT_EQ(DataFolderBeside(lonelyBin), lonelyBin);
  EXPECT_EQ(DataFolderBeside(notBin), notBin);
  EXPECT_EQ(DataFolderBeside(notLibexec), notLibexec);
  // A data folder that is a file is no data folder.
  Make("y/share/meridiana", true);
  const std::string yBin = Make("y/bin");
  EXPECT_EQ(DataFolderBeside(yBin), yBin);
}

TEST_F(InstallLayout, HelperIsInLibexecWhenInstalledAndBesideInTheBuildTree) {
  const std::string bin = Make("usr/bin");
  EXPECT_EQ(HelperProgramBeside(bin, "meridiana-cli-qt"), bin + "/meridiana-cli-qt");
  const std::string helper = Make("usr/libexec/meridiana/meridiana-cli-qt", true);
  EXPECT_EQ(HelperProgramBeside(bin, "meridiana-cli-qt"), helper);
  const std::string stage = Make("build/stage");
  EXPECT_EQ(HelperProgramBeside(stage + "/", "meridiana-cli-qt"), stage + "/meridiana-cli-qt");
}

TEST(ExecutableFolderTest, IsTheFolderOfThisTestProgram) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(ExecutableFolder(), self.parent_path().string());
}

}  // namespace
}  // namespace meridiana
