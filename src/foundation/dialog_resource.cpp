#include "foundation/dialog_resource.h"

#include "foundation/resource_lines.h"

namespace meridiana {

std::string DialogResource::TextOf(int controlId) const {
  for (const DialogControl& control : controls)
    if (control.id == controlId) return control.text;
  return {};
}

DialogResources ParseDialogResources(std::string_view text) {
  DialogResources dialogs;
  DialogResource* open = nullptr;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimmedResourceLine(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    int number = 0;
    std::string_view after;
    if (word == "dialog" && SplitResourceNumber(rest, &number, &after)) {
      open = &dialogs[number];
      *open = DialogResource{std::string(after), {}};
    } else if (open == nullptr) {
      continue;
    } else if (word == "end") {
      open = nullptr;
    } else if (word == "control" && SplitResourceNumber(rest, &number, &after) && !after.empty()) {
      const std::size_t kindEnd = after.find(' ');
      DialogControl control;
      control.id = number;
      control.kind = std::string(after.substr(0, kindEnd));
      if (kindEnd != std::string_view::npos) control.text = std::string(after.substr(kindEnd + 1));
      open->controls.push_back(std::move(control));
    }
  }
  return dialogs;
}

}  // namespace meridiana
