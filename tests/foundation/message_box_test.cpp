#include "foundation/message_box.h"

#include <gtest/gtest.h>

#include <string>

#include "support/recording_notice.h"

namespace meridiana {
namespace {

TEST(MessageBox, FormatsThroughTheNotice) {
  RecordingNotice notice;
  EXPECT_EQ(ErrorBox(&notice, "Unable to load file '%s'", "location.dat"), 1);
  EXPECT_EQ(MessageBoxCaptioned(&notice, "Meridiana", "%d cities", 3), 1);
  EXPECT_EQ(MessageBoxCaptioned(&notice, nullptr, "%s", "no caption"), 1);
  const std::string wide(3000, 'w');  // beyond the first formatting buffer
  EXPECT_EQ(ErrorBox(&notice, "%s!", wide.c_str()), 1);

  ASSERT_EQ(notice.messages().size(), 4u);
  EXPECT_EQ(notice.messages()[0],
            (RecordingNotice::Message{"Error", "Unable to load file 'location.dat'"}));
  EXPECT_EQ(notice.messages()[1], (RecordingNotice::Message{"Meridiana", "3 cities"}));
  EXPECT_EQ(notice.messages()[2], (RecordingNotice::Message{"", "no caption"}));
  EXPECT_EQ(notice.messages()[3].text, wide + "!");
}

TEST(MessageBox, NullFormatShowsNothing) {
  RecordingNotice notice;
  EXPECT_EQ(ErrorBox(&notice, nullptr), 0);
  EXPECT_EQ(MessageBoxCaptioned(&notice, "Caption", nullptr), 0);
  EXPECT_EQ(ErrorBox(nullptr, "x"), 0);
  EXPECT_TRUE(notice.messages().empty());
}

}  // namespace
}  // namespace meridiana
