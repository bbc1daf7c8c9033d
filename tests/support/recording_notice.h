#pragma once
// A UserNotice that records every call, so a test can assert what the user would have seen.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/user_notice.h"

namespace meridiana {

class RecordingNotice : public UserNotice {
 public:
  struct Message {
    std::string caption;
    std::string text;
    bool operator==(const Message&) const = default;
  };
  struct Status {
    int part;
    std::string text;
    bool operator==(const Status&) const = default;
  };

  void ShowMessage(std::string_view caption, std::string_view text) override;
  void ShowStatus(int part, std::string_view text) override;

  // Every message box and status text, in the order shown.
  const std::vector<Message>& messages() const { return messages_; }
  const std::vector<Status>& statuses() const { return statuses_; }
  // The latest text shown in a status-bar part, or "" when none was.
  std::string LastStatus(int part) const;
  void Clear();

 private:
  std::vector<Message> messages_;
  std::vector<Status> statuses_;
};

}  // namespace meridiana
