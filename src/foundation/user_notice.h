#pragma once
// How core code reports to the user without knowing about windows: the modal message boxes
// and the main window's status bar. The shell implements it with Qt; tests record the calls.

#include <string_view>

namespace meridiana {

class UserNotice {
 public:
  virtual ~UserNotice() = default;
  // A modal box with an OK button; an empty caption is shown as such.
  virtual void ShowMessage(std::string_view caption, std::string_view text) = 0;
  // A text in one part (0-based) of the main window's status bar.
  virtual void ShowStatus(int part, std::string_view text) = 0;
};

}  // namespace meridiana
