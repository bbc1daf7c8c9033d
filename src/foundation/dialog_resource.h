#pragma once
// The program's dialogs as its resources describe them: a caption and the controls with their
// ids, kinds and English texts, each dialog under its numeric id.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct DialogControl {
  int id = 0;
  std::string kind;  // label, button, check, radio, group, edit, list, tree, tab, combo
  std::string text;  // "&" marks the mnemonic; empty for most edits and lists
};

struct DialogResource {
  std::string caption;
  std::vector<DialogControl> controls;
  // The control's text, or "" when the dialog has no such control.
  std::string TextOf(int controlId) const;
};

using DialogResources = std::map<int, DialogResource>;

// Reads "dialog ID CAPTION" ... "end" blocks holding "control ID KIND [TEXT]" lines; ";" starts a
// comment line and indentation is free. "&&" in a text stays as written (the control shows "&").
// Lines that fit none of these are skipped; an unclosed block ends with the text.
DialogResources ParseDialogResources(std::string_view text);

}  // namespace meridiana
