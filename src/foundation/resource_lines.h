#pragma once
// Reading the program's resource texts (menus, dialogs) line by line.

#include <cstdlib>
#include <string>
#include <string_view>

namespace meridiana {

// The line without blanks, tabs and carriage returns around it.
inline std::string_view TrimmedResourceLine(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
    line.remove_suffix(1);
  return line;
}

// The number at the start of text and what follows it after one blank; false without a number.
inline bool SplitResourceNumber(std::string_view text, int* number, std::string_view* rest) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 9) return false;
  *number = std::atoi(std::string(text.substr(0, digits)).c_str());
  *rest = digits < text.size() ? text.substr(digits + 1) : std::string_view();
  return digits == text.size() || text[digits] == ' ';
}

// Calls line(word, rest) for every line of text that is neither empty nor a ";" comment: its
// first word and what follows the blank after it.
template <typename LineFn>
void ForEachResourceLine(std::string_view text, LineFn line) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view trimmed = TrimmedResourceLine(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (trimmed.empty() || trimmed.front() == ';') continue;
    const std::size_t blank = trimmed.find(' ');
    line(trimmed.substr(0, blank),
         blank == std::string_view::npos ? std::string_view() : trimmed.substr(blank + 1));
  }
}

}  // namespace meridiana
