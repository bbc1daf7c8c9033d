#include "service/request_router.h"

#include <vector>

#include "service/data_folder.h"
#include "service/frame_time.h"

namespace meridiana::service {
namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Route Xml(std::string_view file, int status = 200) { return {status, std::string(file), kXmlType}; }

// n as a whole decimal number from 1 up (leading zeros allowed), capped at the list length.
std::optional<int> FrameCount(std::string_view n) {
  std::size_t i = 0;
  while (i < n.size() && n[i] == '0') ++i;
  const std::string_view digits = n.substr(i);
  if (digits.empty()) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value <= kMaxListedFrames) value = value * 10 + (c - '0');
  }
  return value > kMaxListedFrames ? kMaxListedFrames : value;
}

Route CloudRoute(std::string_view query) {
  if (QueryArgument(query, "checkonly").value_or("") == "1") {
    const std::string_view n = QueryArgument(query, "n").value_or("");
    if (n.empty()) return Xml(ListFile(1));
    const std::optional<int> count = FrameCount(n);
    return count ? Xml(ListFile(*count)) : Xml(kBadCountFile);
  }
  if (QueryArgument(query, "f").value_or("") == "1") {
    const std::string_view t = QueryArgument(query, "t").value_or("");
    if (t.empty()) return {200, std::string(kNewestFrameFile), kJpegType};
    if (!IsValidFrameTime(t)) return Xml(kBadTimeFile);
    return {200, FrameFile(t), kJpegType};
  }
  return Xml(kBadRequestFile);
}

}  // namespace

std::optional<std::string_view> QueryArgument(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    if (piece.size() > name.size() && piece[name.size()] == '=' &&
        SameNoCase(piece.substr(0, name.size()), name))
      return piece.substr(name.size() + 1);
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::optional<std::string> NormalisePath(std::string_view path) {
  // "/earthquake.cgi/" is another path than "/earthquake.cgi", as a web server sees it.
  const bool trailingSlash = !path.empty() && path.back() == '/';
  std::vector<std::string_view> segments;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view segment = path.substr(0, slash);
    if (segment == "..") {
      if (segments.empty()) return std::nullopt;
      segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  std::string out;
  for (const std::string_view segment : segments) {
    out += '/';
    out += segment;
  }
  if (out.empty()) return std::string("/");
  if (trailingSlash) out += '/';
  return out;
}

Route RouteRequest(std::string_view path, std::string_view query) {
  const std::optional<std::string> normal = NormalisePath(path);
  if (!normal) return Xml(kNotFoundFile, 404);
  if (*normal == "/clouds/cloudv2.php") return CloudRoute(query);
  if (*normal == "/earthquake.cgi") return Xml(kQuakesFile);
  if (*normal == "/aurora.cgi") return Xml(kAuroraFile);
  if (*normal == "/version.txt") return {200, std::string(kVersionFile), kTextType};
  return Xml(kNotFoundFile, 404);
}

}  // namespace meridiana::service
