#include "online/version_check.h"

#include <algorithm>

namespace meridiana {

std::optional<std::string> NewestVersion(std::string_view body) {
  std::string_view line = body.substr(0, body.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  if (line.empty() || line.size() > 32 || line.front() == '.' || line.back() == '.') return {};
  if (!std::all_of(line.begin(), line.end(),
                   [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
    return {};
  if (line.find("..") != std::string_view::npos) return {};
  return std::string(line);
}

int CompareVersions(std::string_view a, std::string_view b) {
  while (!a.empty() || !b.empty()) {
    const auto part = [](std::string_view& text) {
      unsigned long long value = 0;
      std::size_t i = 0;
      for (; i < text.size() && text[i] != '.'; ++i)
        if (text[i] >= '0' && text[i] <= '9')
          value = std::min<unsigned long long>(value * 10 + (text[i] - '0'), 1ull << 60);
      text.remove_prefix(std::min(text.size(), i + 1));
      return value;
    };
    const unsigned long long x = part(a);
    const unsigned long long y = part(b);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace meridiana
