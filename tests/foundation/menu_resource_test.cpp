#include "foundation/menu_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "foundation/file_util.h"
#include "foundation/localized_strings.h"

namespace meridiana {
namespace {

TEST(MenuResource, NestingItemsChecksAndBadLines) {
  const MenuResource menus = ParseMenuResource(
      "; comment\nitem 1 outside any menu\nmenu 7\n  popup &File\n    item 10 &Open...\n"
      "    separator\n    popup &Recent\n      item 11 One check\n    end\n    item x Bad id\n"
      "  end\n  item 12 Top\nend\nmenu 8\n  item 13 Unclosed\n");
  ASSERT_EQ(menus.size(), 2u);
  const std::vector<MenuEntry>& seven = menus.at(7);
  ASSERT_EQ(seven.size(), 2u);
  EXPECT_EQ(seven[0].text, "&File");
  ASSERT_EQ(seven[0].children.size(), 3u);
  EXPECT_EQ(seven[0].children[1].kind, MenuEntry::Kind::Separator);
  const MenuEntry& one = seven[0].children[2].children.at(0);
  EXPECT_EQ(one.text, "One");
  EXPECT_TRUE(one.checkable);
  EXPECT_FALSE(seven[0].children[0].checkable);
  EXPECT_EQ(MenuCommands(seven), (std::vector<int>{10, 11, 12}));
  EXPECT_EQ(MenuCommands(menus.at(8)), (std::vector<int>{13}));
}

// The shipped menus: every command of the main window once in the menu bar, the map and tray
// menus present, and the fifteen languages offered.
TEST(MenuResource, ShippedMenus) {
  const auto text = ReadWholeFile(MERIDIANA_SOURCE_DIR "/resources/menus.txt");
  ASSERT_TRUE(text);
  const MenuResource menus = ParseMenuResource(*text);
  const std::vector<int> main = MenuCommands(menus.at(1008));
  const std::set<int> unique(main.begin(), main.end());
  EXPECT_EQ(unique.size(), main.size());
  for (int command : {40026, 40005, 40006, 40007, 40016, 40012, 40013, 40011, 40028, 40001, 40002,
                      40004, 40019, 40020, 40021, 40023, 40027, 414,   3033,  537,   538,   1192,
                      1193,  1194,  2362,  2365,  2366,  2399,  3032,  3035,  3036,  3060,  3061})
    EXPECT_EQ(unique.count(command), 1u) << command;
  EXPECT_FALSE(MenuCommands(menus.at(102)).empty());
  EXPECT_FALSE(MenuCommands(menus.at(1009)).empty());
}

TEST(StringTable, ShippedTableHasEveryToolTip) {
  const auto text = ReadWholeFile(MERIDIANA_SOURCE_DIR "/resources/strings.txt");
  ASSERT_TRUE(text);
  const StringTable table = ParseStringTable(*text);
  for (int id : {1391, 1392, 1393, 1394, 1395, 1396, 1397, 1398, 1399, 1401, 1402, 1403, 1404, 1405,
                 1406, 1407, 1412, 1416, 1434})
    EXPECT_FALSE(table.count(id) == 0 || table.at(id).empty()) << id;
  EXPECT_EQ(table.at(1423), "Unable to load file '%s'");
}

}  // namespace
}  // namespace meridiana
