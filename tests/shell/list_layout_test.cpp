#include "shell/dialogs/list_layout.h"

#include <gtest/gtest.h>

#include "foundation/memory_key_value_store.h"

namespace meridiana {
namespace {

constexpr char kName[] = "Quillary Meridiana";

TEST(ListLayout, SavedColumnsApplyOnlyWhenTheyFitTheList) {
  MemoryKeyValueStore store;
  SaveColumnLayout(store, kName, 103, 1015, {{120, 80, 60}, {2, 0, 1}});
  EXPECT_EQ(
      store.Read(Hive::CurrentUser, "Software\\QUILLARY\\Quillary Meridiana\\DLGS\\103\\1015", "1"),
      "80");
  EXPECT_EQ(store.Read(Hive::CurrentUser, ListKeyPath(kName, 103, 1015) + "\\style", ""), "3");

  ColumnLayout three = LoadColumnLayout(store, kName, 103, 1015, 3);
  EXPECT_EQ(three.widths, (std::vector<int>{120, 80, 60}));
  EXPECT_EQ(three.order, (std::vector<int>{2, 0, 1}));
  // A column removed from the list, or one added: the saved layout is ignored.
  EXPECT_TRUE(LoadColumnLayout(store, kName, 103, 1015, 2).widths.empty());
  EXPECT_TRUE(LoadColumnLayout(store, kName, 103, 1015, 4).order.empty());
  // An order that is not a permutation of the columns is ignored, the widths still apply.
  store.Write(Hive::CurrentUser, ListKeyPath(kName, 103, 1015) + "\\order", "2", "0");
  three = LoadColumnLayout(store, kName, 103, 1015, 3);
  EXPECT_TRUE(three.order.empty());
  EXPECT_EQ(three.widths.size(), 3u);

  // Saving fewer columns leaves no stale value behind.
  SaveColumnLayout(store, kName, 103, 1015, {{50, 40}, {1, 0}});
  const ColumnLayout two = LoadColumnLayout(store, kName, 103, 1015, 2);
  EXPECT_EQ(two.widths, (std::vector<int>{50, 40}));
  EXPECT_EQ(two.order, (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace meridiana
