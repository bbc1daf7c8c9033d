#include "foundation/menu_resource.h"

#include <cstdlib>

namespace meridiana {
namespace {

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
    line.remove_suffix(1);
  return line;
}

// The number at the start of text and what follows it after one blank; false without a number.
bool SplitNumber(std::string_view text, int* number, std::string_view* rest) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 9) return false;
  *number = std::atoi(std::string(text.substr(0, digits)).c_str());
  *rest = digits < text.size() ? text.substr(digits + 1) : std::string_view();
  return digits == text.size() || text[digits] == ' ';
}

}  // namespace

MenuResource ParseMenuResource(std::string_view text) {
  MenuResource menus;
  std::vector<std::vector<MenuEntry>*> open;  // the innermost list last
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    const std::size_t blank = line.find(' ');
    const std::string_view word = line.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    int number = 0;
    std::string_view after;
    if (word == "menu" && SplitNumber(rest, &number, &after)) {
      open.assign(1, &menus[number]);
    } else if (open.empty()) {
      continue;
    } else if (word == "end") {
      open.pop_back();
    } else if (word == "separator") {
      open.back()->push_back({MenuEntry::Kind::Separator, 0, {}, false, {}});
    } else if (word == "popup") {
      open.back()->push_back({MenuEntry::Kind::Popup, 0, std::string(rest), false, {}});
      open.push_back(&open.back()->back().children);
    } else if (word == "item" && SplitNumber(rest, &number, &after)) {
      constexpr std::string_view kCheck = " check";
      const bool check =
          after.size() > kCheck.size() && after.substr(after.size() - kCheck.size()) == kCheck;
      if (check) after.remove_suffix(kCheck.size());
      open.back()->push_back({MenuEntry::Kind::Item, number, std::string(after), check, {}});
    }
  }
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
