#include "foundation/dialog_resource.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

TEST(DialogResource, CaptionsControlsAndTheLinesThatAreNotOurs) {
  const DialogResources dialogs = ParseDialogResources(
      "; comment\r\n"
      "control 5 label before any dialog\n"
      "dialog 117 Preferences\n"
      "  ; inside\n"
      "  control 1034 check Display Scale && Cloud Date Info\r\n"
      "  control 1918 edit\n"
      "  control x button not a number\n"
      "  control 7\n"
      "end\n"
      "dialog 8003 Weather Forecast\n"
      "  control 1931 label Loading...");  // no end: the text ends the block
  ASSERT_EQ(dialogs.size(), 2u);
  const DialogResource& preferences = dialogs.at(117);
  EXPECT_EQ(preferences.caption, "Preferences");
  ASSERT_EQ(preferences.controls.size(), 2u);
  EXPECT_EQ(preferences.controls[0].kind, "check");
  EXPECT_EQ(preferences.TextOf(1034), "Display Scale && Cloud Date Info");
  EXPECT_EQ(preferences.controls[1].kind, "edit");
  EXPECT_EQ(preferences.TextOf(1918), "");
  EXPECT_EQ(preferences.TextOf(5), "");
  EXPECT_EQ(dialogs.at(8003).TextOf(1931), "Loading...");
}

}  // namespace
}  // namespace meridiana
