#pragma once
// Pieces several meridiana-cli commands share.

#include <string>
#include <string_view>

#include "foundation/user_notice.h"

namespace meridiana::cli {

// Message boxes become one line on standard error; status texts are dropped.
class StderrNotice : public UserNotice {
 public:
  void ShowMessage(std::string_view caption, std::string_view text) override;
  void ShowStatus(int, std::string_view) override {}
};

// Where the read-only data is when no --data is given: $MERIDIANA_DATA, else the folder of this
// program, where the build stages the data.
std::string DefaultDataFolder();

}  // namespace meridiana::cli
