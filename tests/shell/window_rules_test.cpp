// Rules of the window framework that need no window: status bar part edges, saved dialog
// rectangles, the program's names.
#include <gtest/gtest.h>

#include "foundation/memory_key_value_store.h"
#include "shell/app/app_identity.h"
#include "shell/app/menu_icon_table.h"
#include "shell/dialogs/dialog_geometry.h"
#include "shell/window/status_parts.h"

namespace meridiana {
namespace {

TEST(StatusPartEdges, MainBarKeepsRightPartsFixed) {
  // Parts 1-5 are 80, 80, 60, 150 and 130 pixels wide at any width; part 0 takes the rest.
  EXPECT_EQ(StatusPartRightEdges(800, kMainStatusParts, kMainStatusDistances),
            (std::vector<int>{300, 380, 460, 520, 670, 800}));
  EXPECT_EQ(StatusPartRightEdges(1000, kMainStatusParts, kMainStatusDistances),
            (std::vector<int>{500, 580, 660, 720, 870, 1000}));
}

TEST(StatusPartEdges, NarrowBarSqueezesInsteadOfOverlapping) {
  EXPECT_EQ(StatusPartRightEdges(200, 5, {280, 230, 180, 120}),
            (std::vector<int>{0, 0, 20, 80, 200}));
  EXPECT_EQ(StatusPartRightEdges(-5, 3, {10}), (std::vector<int>{0, 0, 0}));
}

TEST(MenuIconIndex, StateFirstThenCommand) {
  struct Row {
    MenuItemState state;
    int command;
    int icon;
  };
  const Row rows[] = {
      {{true, true, false, true}, 40012, kNoMenuIcon},  // disabled wins over checked
      {{false, true, false, true}, 40012, 2},           // checked shows the check mark
      {{false, false, true, false}, 0, kMenuBarItem},   // a submenu on the bar
      {{false, false, true, true}, 0, kNoMenuIcon},     // a nested submenu
      {{}, 19000, 1},
      {{}, 22000, 1},
      {{}, 22001, kNoMenuIcon},
      {{}, 18999, 4},
      {{}, 196, 0},
      {{}, 40011, 16},
      {{}, 40028, 54},
      {{}, 3033, 42},
      {{}, 3061, 49},
      {{}, 2399, kNoMenuIcon},  // Swedish has no flag of its own in the table
      {{}, 40005, kNoMenuIcon},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MenuIconIndex(row.state, row.command), row.icon) << row.command;
}

TEST(BusyIndicator, BouncesInItsPartAndRestartsAfterAPause) {
  BusyIndicator busy;
  EXPECT_EQ(busy.Step(0, 20), 0);  // the first step starts at the left
  long long now = 0;
  std::vector<int> path;
  for (int i = 0; i < 8; ++i) path.push_back(busy.Step(now += 100, 20));
  // 10 pixels of room: right to 10, then back.
  EXPECT_EQ(path, (std::vector<int>{2, 4, 6, 8, 10, 8, 6, 4}));
  EXPECT_FALSE(busy.movingRight());
  EXPECT_EQ(busy.Step(now += 10000, 20), 2);  // exactly 10 s: still the same run
  EXPECT_EQ(busy.Step(now += 10001, 20), 0);  // longer: starts again, moving right
  EXPECT_TRUE(busy.movingRight());
  EXPECT_EQ(busy.Step(now += 100, 5), 0);  // a part narrower than the block
}

TEST(StatusPartEdges, ZeroOrMissingDistanceEndsAtRightEdge) {
  EXPECT_EQ(StatusPartRightEdges(300, 3, {100, 0}), (std::vector<int>{200, 300, 300}));
  EXPECT_EQ(StatusPartRightEdges(300, 1, {}), (std::vector<int>{300}));
}

class SavedGeometry : public ::testing::Test {
 protected:
  void Put(const char* name, const char* value) {
    store_.Write(Hive::CurrentUser, DialogKeyPath(kDisplayName, 101), name, value);
  }
  std::optional<WindowRect> Load() const {
    return LoadDialogGeometry(store_, kDisplayName, 101, 1280, 1024);
  }
  MemoryKeyValueStore store_;
};

TEST_F(SavedGeometry, KeyNamesDisplayNameAndDialog) {
  EXPECT_EQ(DialogKeyPath(kDisplayName, 101), "Software\\QUILLARY\\Quillary Meridiana\\DLGS\\101");
}

TEST_F(SavedGeometry, RoundTrips) {
  ASSERT_TRUE(SaveDialogGeometry(store_, kDisplayName, 101, {10, 20, 640, 400}));
  EXPECT_EQ(store_.Read(Hive::CurrentUser, DialogKeyPath(kDisplayName, 101), "width"), "640");
  EXPECT_EQ(Load(), (WindowRect{10, 20, 640, 400}));
  EXPECT_EQ(LoadDialogGeometry(store_, kDisplayName, 103, 1280, 1024), std::nullopt);
}

TEST_F(SavedGeometry, OffScreenPositionIsPulledBack) {
  SaveDialogGeometry(store_, kDisplayName, 101, {5000, 3000, 640, 400});
  EXPECT_EQ(Load(), (WindowRect{1180, 924, 640, 400}));
}

TEST_F(SavedGeometry, NegativeZeroMissingOrGarbageValuesAreIgnored) {
  struct Row {
    const char* name;
    const char* value;
  };
  const Row rows[] = {{"left", "-1"}, {"top", "-20"}, {"width", "0"},         {"height", "0"},
                      {"width", ""},  {"top", "12x"}, {"left", "99999999999"}};
  for (const Row& row : rows) {
    SaveDialogGeometry(store_, kDisplayName, 101, {10, 20, 640, 400});
    Put(row.name, row.value);
    EXPECT_EQ(Load(), std::nullopt) << row.name << "=" << row.value;
  }
  SaveDialogGeometry(store_, kDisplayName, 101, {10, 20, 640, 400});
  store_.Remove(Hive::CurrentUser, DialogKeyPath(kDisplayName, 101), "height");
  EXPECT_EQ(Load(), std::nullopt);
}

TEST_F(SavedGeometry, ReportsFailedWrites) {
  store_.SetFailWrites(true);
  EXPECT_FALSE(SaveDialogGeometry(store_, kDisplayName, 101, {1, 2, 3, 4}));
}

TEST(ProgramNames, BaseNameCutsFolderExtensionAndSuffix) {
  EXPECT_EQ(ProgramBaseName("/usr/bin/meridiana"), "meridiana");
  EXPECT_EQ(ProgramBaseName("/opt/q/meridiana_x64.bin"), "meridiana");
  EXPECT_EQ(ProgramBaseName("my_tool_v2.exe"), "my_tool");
  EXPECT_EQ(ProgramBaseName("/a.b/plain"), "plain");
  EXPECT_EQ(ProgramBaseName(""), "");
}

TEST(ProgramNames, ProductCodeFromLocalMachineValue) {
  MemoryKeyValueStore store;
  EXPECT_EQ(ProductCode(store), "MDEN");
  store.Write(Hive::CurrentUser, kAppKey, "code", "USER");  // the wrong hive
  EXPECT_EQ(ProductCode(store), "MDEN");
  store.Write(Hive::LocalMachine, kAppKey, "code", "MDDE12345");
  EXPECT_EQ(ProductCode(store), "MDDE12345");
  store.Write(Hive::LocalMachine, kAppKey, "code", "MDDE123456");  // 10 characters: too long
  EXPECT_EQ(ProductCode(store), "MDEN");
}

}  // namespace
}  // namespace meridiana
