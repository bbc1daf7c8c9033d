#include "shell/window/toolbar_arrangement.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>

#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"

namespace meridiana {
namespace {

TEST(ToolbarArrangement, HiddenButtonsTextRoundTripsKnownCommandsOnly) {
  EXPECT_EQ(HiddenButtonsText({40018, 40030}), "40018,40030");
  EXPECT_EQ(HiddenButtonsText({}), "");
  EXPECT_EQ(ParseHiddenButtons("40018,x,99999,40018,40030", {40018, 40030, 40005}),
            (std::vector<int>{40018, 40030}));
  EXPECT_TRUE(ParseHiddenButtons("", {40018}).empty());
}

TEST(ToolbarArrangement, SavedButtonsStayOffAndEmptyGroupsLoseTheirSeparator) {
  QToolBar bar;
  const auto add = [&](int command) { bar.addAction(QString::number(command))->setData(command); };
  add(40005);
  add(40006);
  QAction* first = bar.addSeparator();
  add(40007);
  QAction* second = bar.addSeparator();
  add(40012);
  MemoryKeyValueStore store;
  store.Write(Hive::CurrentUser, ToolbarKeyPath("Quillary Meridiana", 1000), "hidden",
              "40007,40006");
  ApplyToolbarArrangement(&bar, store, "Quillary Meridiana", 1000);
  std::vector<bool> visible;
  for (QAction* action : bar.actions()) visible.push_back(action->isVisible());
  // 40005 | 40012: the emptied middle group leaves one separator between the two that remain.
  EXPECT_EQ(visible, (std::vector<bool>{true, false, false, false, true, true}));
  EXPECT_FALSE(first->isVisible());
  EXPECT_TRUE(second->isVisible());
}

}  // namespace
}  // namespace meridiana
