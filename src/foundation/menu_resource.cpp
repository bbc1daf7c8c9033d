#include "foundation/menu_resource.h"

#include "foundation/resource_lines.h"

namespace meridiana {

MenuResource ParseMenuResource(std::string_view text) {
  MenuResource menus;
  std::vector<std::vector<MenuEntry>*> open;  // the innermost list last
  ForEachResourceLine(text, [&](std::string_view word, std::string_view rest) {
    int number = 0;
    std::string_view after;
    if (word == "menu" && SplitResourceNumber(rest, &number, &after)) {
      open.assign(1, &menus[number]);
    } else if (open.empty()) {
      return;
    } else if (word == "end") {
      open.pop_back();
    } else if (word == "separator") {
      open.back()->push_back({MenuEntry::Kind::Separator, 0, {}, false, {}});
    } else if (word == "popup") {
      open.back()->push_back({MenuEntry::Kind::Popup, 0, std::string(rest), false, {}});
      open.push_back(&open.back()->back().children);
    } else if (word == "item" && SplitResourceNumber(rest, &number, &after)) {
      constexpr std::string_view kCheck = " check";
      const bool check =
          after.size() > kCheck.size() && after.substr(after.size() - kCheck.size()) == kCheck;
      if (check) after.remove_suffix(kCheck.size());
      open.back()->push_back({MenuEntry::Kind::Item, number, std::string(after), check, {}});
    }
  });
  return menus;
}

std::vector<int> MenuCommands(const std::vector<MenuEntry>& entries) {
  std::vector<int> commands;
  for (const MenuEntry& entry : entries) {
    if (entry.kind == MenuEntry::Kind::Item) commands.push_back(entry.command);
    for (int id : MenuCommands(entry.children)) commands.push_back(id);
  }
  return commands;
}

}  // namespace meridiana
