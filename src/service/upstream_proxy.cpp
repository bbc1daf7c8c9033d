#include "service/upstream_proxy.h"

#include <cctype>
#include <cstdlib>
#include <initializer_list>

#include "online/proxy_settings.h"

namespace meridiana::service {
namespace {

std::optional<std::string> First(const EnvironmentReader& environment,
                                 std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (std::optional<std::string> value = environment(name)) return value;
  return std::nullopt;
}

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

// "[http://][user[:password]@]host[:port][/]" as an HTTP proxy; a problem for another scheme or
// an address that is not one.
ProxyChoice ParseProxy(std::string url) {
  ProxyChoice choice;
  std::string scheme = "http";
  if (const std::size_t at = url.find("://"); at != std::string::npos) {
    scheme = url.substr(0, at);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    url.erase(0, at + 3);
  }
  if (const std::size_t slash = url.find('/'); slash != std::string::npos) url.resize(slash);
  UpstreamProxy proxy;
  if (const std::size_t at = url.rfind('@'); at != std::string::npos) {
    const std::string credentials = url.substr(0, at);
    url.erase(0, at + 1);
    const std::size_t colon = credentials.find(':');
    proxy.user = PercentDecoded(credentials.substr(0, colon));
    if (colon != std::string::npos) proxy.password = PercentDecoded(credentials.substr(colon + 1));
  }
  std::string port;
  if (!url.empty() && url[0] == '[') {
    const std::size_t close = url.find(']');
    if (close == std::string::npos) {
      choice.problem = "the proxy " + scheme + "://" + url + " is not an address";
      return choice;
    }
    proxy.host = url.substr(1, close - 1);
    if (close + 1 < url.size() && url[close + 1] == ':') port = url.substr(close + 2);
  } else {
    const std::size_t colon = url.find(':');
    proxy.host = url.substr(0, colon);
    if (colon != std::string::npos) port = url.substr(colon + 1);
  }
  const bool ipv6 = proxy.host.find(':') != std::string::npos;
  proxy.shown = scheme + "://" + (ipv6 ? "[" + proxy.host + "]" : proxy.host);
  if (!port.empty()) proxy.shown += ":" + port;
  if (scheme != "http") {
    choice.problem = "the proxy " + proxy.shown + " is not an HTTP proxy, which downloads need";
    return choice;
  }
  char* end = nullptr;
  const long number = port.empty() ? 1080 : std::strtol(port.c_str(), &end, 10);
  if (proxy.host.empty() || (!port.empty() && *end != '\0') || number < 1 || number > 65535) {
    choice.problem = "the proxy " + proxy.shown + " is not an address";
    return choice;
  }
  proxy.port = static_cast<int>(number);
  choice.proxy = std::move(proxy);
  return choice;
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

ProxyChoice ProxyForDownload(const EnvironmentReader& environment, bool https,
                             const std::string& host, int port) {
  const std::optional<std::string> url =
      https ? First(environment, {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            : First(environment, {"http_proxy", "all_proxy", "ALL_PROXY"});
  if (!url) return {};
  std::string bare = host;
  if (bare.size() > 1 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
  if (const auto list = First(environment, {"no_proxy", "NO_PROXY"});
      list && ProxyBypassed(*list, bare, port)) {
    return {};
  }
  return ParseProxy(*url);
}

}  // namespace meridiana::service
