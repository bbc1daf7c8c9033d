#include "shell/window/command_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace meridiana {
namespace {

TEST(CommandTable, RunsTheEntryThatHoldsTheIdAndPassesTheIdOn) {
  CommandTable table;
  std::vector<int> ran;
  const auto record = [&ran](int command) { ran.push_back(command); };
  table.Add({10, 12}, record);
  table.AddRange(19000, 19999, record);
  EXPECT_TRUE(table.Run(12));
  // Both ends of a range belong to it, the ids beside them do not.
  EXPECT_TRUE(table.Run(19000));
  EXPECT_TRUE(table.Run(19999));
  EXPECT_FALSE(table.Run(18999));
  EXPECT_FALSE(table.Run(20000));
  EXPECT_FALSE(table.Run(11));  // between two single ids
  EXPECT_EQ(ran, (std::vector<int>{12, 19000, 19999}));
}

TEST(CommandTable, AnsweringHandlerDecidesWhetherTheCommandWasHandled) {
  CommandTable table;
  bool take = false;
  int asked = 0;
  table.AddAnswering({7}, [&](int) {
    ++asked;
    return take;
  });
  EXPECT_FALSE(table.Run(7));
  take = true;
  EXPECT_TRUE(table.Run(7));
  EXPECT_EQ(asked, 2);
}

TEST(CommandTable, FirstEntryWinsAndAnEmptyTableHandlesNothing) {
  CommandTable table;
  EXPECT_FALSE(table.Run(0));
  int first = 0;
  int second = 0;
  table.AddRange(1, 100, [&](int) { ++first; });
  table.Add({50}, [&](int) { ++second; });
  EXPECT_TRUE(table.Run(50));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
}

}  // namespace
}  // namespace meridiana
