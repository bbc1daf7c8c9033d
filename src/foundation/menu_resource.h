#pragma once
// The program's menus as its resources describe them: nested popups of command items, check
// items and separators, each menu under its numeric id.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct MenuEntry {
  enum class Kind { Item, Popup, Separator };
  Kind kind = Kind::Item;
  int command = 0;                  // items only
  std::string text;                 // "&" marks the mnemonic
  bool checkable = false;           // items only
  std::vector<MenuEntry> children;  // popups only
};

// Menus by id, each a list of top-level entries.
using MenuResource = std::map<int, std::vector<MenuEntry>>;

// Reads "menu ID" ... "end" blocks holding "popup TEXT" ... "end", "item ID TEXT" (a trailing
// " check" makes a check item) and "separator"; ";" starts a comment line, indentation is free.
// Lines that fit none of these are skipped; an unclosed block ends with the text.
MenuResource ParseMenuResource(std::string_view text);

// Every command id under the entries, depth first, in order.
std::vector<int> MenuCommands(const std::vector<MenuEntry>& entries);

}  // namespace meridiana
