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
  ForEachResourceLine(text, [&](std::string_view word, std::string_view rest) {
    int number = 0;
    std::string_view after;
    if (word == "dialog" && SplitResourceNumber(rest, &number, &after)) {
      open = &dialogs[number];
      *open = DialogResource{std::string(after), {}};
    } else if (open == nullptr) {
      return;
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
  });
  return dialogs;
}

}  // namespace meridiana
