#include "foundation/url_parts.h"

namespace meridiana {
namespace {

std::string_view Authority(std::string_view url) {
  // Only a "//" at the first slash starts the host ("http://host/a//b").
  const std::size_t slash = url.find('/');
  if (slash != std::string_view::npos && slash + 1 < url.size() && url[slash + 1] == '/')
    url.remove_prefix(slash + 2);
  return url.substr(0, url.find('/'));
}

}  // namespace

std::string UrlHost(std::string_view url) {
  const std::string_view authority = Authority(url);
  return std::string(authority.substr(0, authority.find(':')));
}

int UrlPort(std::string_view url) {
  const std::string_view authority = Authority(url);
  const std::size_t colon = authority.find(':');
  if (colon == std::string_view::npos) return 0;
  int port = 0;
  for (std::size_t i = colon + 1; i < authority.size(); ++i) {
    const char c = authority[i];
    if (c < '0' || c > '9') break;
    port = port * 10 + (c - '0');
    if (port > 65535) return 0;
  }
  return port;
}

}  // namespace meridiana
