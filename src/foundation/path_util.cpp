#include "foundation/path_util.h"

#include <vector>

namespace meridiana {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string NormaliseSeparators(std::string_view path, char separator) {
  std::string out;
  out.reserve(path.size());
  std::size_t i = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    out.append(2, separator);
    i = 2;
  }
  for (; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) {
      out.push_back(path[i]);
    } else if (out.empty() || out.back() != separator) {
      out.push_back(separator);
    }
  }
  return out;
}

std::string ResolveDotSegments(std::string_view path, char separator) {
  // Leading separators (root or network prefix) are never removed.
  std::size_t start = 0;
  while (start < path.size() && path[start] == separator) ++start;
  const std::string_view prefix = path.substr(0, start);

  std::vector<std::string_view> segments;
  for (std::size_t from = start;;) {
    const std::size_t end = path.find(separator, from);
    if (end == std::string_view::npos) {
      segments.push_back(path.substr(from));
      break;
    }
    segments.push_back(path.substr(from, end - from));
    from = end + 1;
  }

  std::vector<std::string_view> kept;
  bool trailingSeparator = false;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const bool last = i + 1 == segments.size();
    // ".." resolves when a separator follows it, or when it ends the path behind a separator.
    if (segments[i] == ".." && (!last || i > 0 || !prefix.empty())) {
      if (!kept.empty()) kept.pop_back();
      if (last) trailingSeparator = !kept.empty();
      continue;
    }
    kept.push_back(segments[i]);
  }

  std::string out(prefix);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i) out.push_back(separator);
    out.append(kept[i]);
  }
  if (trailingSeparator) out.push_back(separator);
  return out;
}

std::string JoinPath(std::string_view folder, std::string_view name, char separator) {
  if (folder.empty()) return std::string(name);
  if (name.empty()) return std::string(folder);
  std::string joined(folder);
  joined.push_back(separator);
  joined.append(name);
  return ResolveDotSegments(NormaliseSeparators(joined, separator), separator);
}

}  // namespace meridiana
