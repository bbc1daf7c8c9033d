#include "support/recording_notice.h"

namespace meridiana {

void RecordingNotice::ShowMessage(std::string_view caption, std::string_view text) {
  messages_.push_back({std::string(caption), std::string(text)});
}

void RecordingNotice::ShowStatus(int part, std::string_view text) {
  statuses_.push_back({part, std::string(text)});
}

std::string RecordingNotice::LastStatus(int part) const {
  for (auto it = statuses_.rbegin(); it != statuses_.rend(); ++it) {
    if (it->part == part) return it->text;
  }
  return {};
}

void RecordingNotice::Clear() {
  messages_.clear();
  statuses_.clear();
}

}  // namespace meridiana
