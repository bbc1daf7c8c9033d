#include "service/proxy_url.h"

#include <algorithm>
#include <cstdlib>

namespace meridiana::service {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

ProxyUrl SplitProxyUrl(const std::string& text) {
  std::string scheme = "http";
  std::string rest = text;
  if (const std::size_t marker = rest.find("://"); marker != std::string::npos) {
    scheme = rest.substr(0, marker);
    rest.erase(0, marker + 3);
  }
  ProxyUrl proxy;
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string userPart = rest.substr(0, at);
    rest.erase(0, at + 1);
    const std::size_t colon = userPart.find(':');
    proxy.user = PercentDecoded(userPart.substr(0, colon));
    if (colon != std::string::npos) proxy.password = PercentDecoded(userPart.substr(colon + 1));
  }
  rest.resize(std::min(rest.find_first_of("/?#"), rest.size()));
  proxy.url = scheme + "://" + rest;
  return proxy;
}

std::optional<ProxyUrl> EnvironmentProxy(bool https) {
  // As curl reads them; a CGI-style HTTP_PROXY can come from a request's Proxy header, so curl
  // takes http_proxy in lower case only.
  const char* value = https ? Variable("https_proxy") : Variable("http_proxy");
  if (value == nullptr && https) value = Variable("HTTPS_PROXY");
  if (value == nullptr) value = Variable("all_proxy");
  if (value == nullptr) value = Variable("ALL_PROXY");
  if (value == nullptr) return std::nullopt;
  return SplitProxyUrl(value);
}

}  // namespace meridiana::service
