#include "online/http_message.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "foundation/text_util.h"

namespace meridiana {
namespace {

std::string_view AfterSlashes(std::string_view url) {
  const std::size_t slashes = url.find("//");
  return slashes == std::string_view::npos ? url : url.substr(slashes + 2);
}

std::string_view CutAt(std::string_view text, std::string_view stops) {
  return text.substr(0, std::min(text.size(), text.find_first_of(stops)));
}

// Where the authority ends: a path, a query or a fragment begins.
constexpr std::string_view kAuthorityEnd = "/?#\\";

// "host:port" of a URL: the authority after "//" without a "user:password@".
std::string_view HostPort(std::string_view url) {
  std::string_view authority = CutAt(AfterSlashes(url), kAuthorityEnd);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);
  return authority;
}

// Control bytes would end the request's line early or start a header of the server's choosing.
std::string WithoutControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string safe;
  safe.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      safe += '%';
      safe += kHex[byte >> 4];
      safe += kHex[byte & 15];
    } else {
      safe += c;
    }
  }
  return safe;
}

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Number>
Number SaturatingDecimal(std::string_view text) {
  std::uint64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) break;
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'),
                                    std::numeric_limits<Number>::max());
  }
  return static_cast<Number>(value);
}

// The value after a header name and the one character after it, up to the first of the stops.
std::optional<std::string_view> HeaderValue(std::string_view header, std::string_view name,
                                            char stop, std::size_t maxLength) {
  const std::size_t at = FindIgnoringCase(header, name);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = header.substr(std::min(header.size(), at + name.size() + 1));
  value = value.substr(0, std::min({value.size(), value.find(stop), maxLength}));
  return value;
}

}  // namespace

std::string UrlLookupName(std::string_view url) { return std::string(CutAt(HostPort(url), "&")); }

bool IsAddressText(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(),
                                      [](char c) { return IsDigit(c) || c == '.' || c == ':'; });
}

int UrlPort(std::string_view url) {
  const std::string_view host = CutAt(HostPort(url), "&");
  const std::size_t colon = host.find(':');
  if (colon == std::string_view::npos) return 80;
  return SaturatingDecimal<std::uint16_t>(host.substr(colon + 1));
}

std::string UrlHostHeader(std::string_view url) {
  std::string host(CutAt(HostPort(url), "&:"));
  // The server tells its sites apart by name and port; 80 is the one it assumes.
  if (const int port = UrlPort(url); port != 80) {
    host += ':';
    host += std::to_string(port);
  }
  return WithoutControls(host);
}

std::string RequestTarget(std::string_view url, bool throughProxy) {
  const std::size_t slashes = url.find("//");
  const std::size_t hostStart = slashes == std::string_view::npos ? 0 : slashes + 2;
  const std::size_t pathStart = std::min(url.size(), url.find_first_of(kAuthorityEnd, hostStart));
  std::string_view path = url.substr(pathStart);
  path = path.substr(0, path.find('#'));
  // Both forms need a path that starts with "/", before any query.
  const std::string_view slash = path.empty() || path.front() != '/' ? "/" : "";
  std::string target;
  if (throughProxy) target = std::string(url.substr(0, pathStart));
  target += slash;
  target += path;
  return WithoutControls(target);
}

std::string BuildRequestText(std::string_view url, const RequestTextOptions& options) {
  std::string text = "GET " + RequestTarget(url, options.throughProxy) + " HTTP/1.0\r\n";
  text +=
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
      "application/vnd.ms-powerpoint, application/vnd.ms-excel, application/msword, "
      "application/x-shockwave-flash, */*\r\n";
  text += "Accept-Charset: iso-8859-1,*,utf-8\r\n";
  if (options.throughProxy) text += "Connection: close\r\n";
  if (!options.userAgent.empty()) text += "User-Agent: " + std::string(options.userAgent) + "\r\n";
  text += "Host: " + UrlHostHeader(url) + "\r\n";
  if (!options.basicCredentials.empty())
    text += "Proxy-Authorization: Basic " + std::string(options.basicCredentials) + "\r\n";
  text += "\r\n";
  for (std::size_t at; (at = text.find("/POST  ")) != std::string::npos;) text.erase(at + 5, 1);
  return text;
}

std::optional<std::size_t> FindHeaderEnd(std::string_view received) {
  if (const std::size_t at = received.find("\r\n\r\n"); at != std::string_view::npos) return at + 4;
  if (const std::size_t at = received.find("\n\n"); at != std::string_view::npos) return at + 2;
  return std::nullopt;
}

ResponseHeader ParseResponseHeader(std::string_view header) {
  ResponseHeader parsed;
  std::size_t at = header.find_first_of(" \t\r\n");
  if (at != std::string_view::npos) {
    while (at < header.size() && !IsDigit(header[at])) ++at;
    parsed.status = SaturatingDecimal<std::uint16_t>(header.substr(at));
  }
  if (auto value = HeaderValue(header, "Last-Modified:", '\n', 512)) {
    std::string_view date = TrimTrailing(*value);
    if (const std::size_t comma = date.find(','); comma != std::string_view::npos)
      date.remove_prefix(comma + 1);
    while (!date.empty() && date.front() == ' ') date.remove_prefix(1);
    parsed.lastModified = std::string(date);
  }
  if (auto value = HeaderValue(header, "Content-Length:", '\r', 50)) {
    std::string_view number = *value;
    while (!number.empty() && (number.front() == ' ' || number.front() == '\t'))
      number.remove_prefix(1);
    parsed.contentLength = SaturatingDecimal<std::uint32_t>(number);
  }
  return parsed;
}

std::string RedirectTarget(std::string_view response, std::string_view currentUrl) {
  constexpr std::size_t kMaxLocation = 2047;
  std::string_view location;
  bool fromHeader = false;
  if (std::size_t at = FindIgnoringCase(response, "Location: "); at != std::string_view::npos) {
    at += 10;
    while (at < response.size() &&
           std::string_view(" \t\r\n").find(response[at]) != std::string_view::npos)
      ++at;
    location = response.substr(at);
    fromHeader = true;
  } else if (std::size_t at = FindIgnoringCase(response, "http:"); at != std::string_view::npos) {
    location = response.substr(at);
  } else if (std::size_t at = FindIgnoringCase(response, "https:"); at != std::string_view::npos) {
    location = response.substr(at);
  } else {
    return {};
  }
  location = location.substr(0, std::min({location.size(), location.find('\n'), kMaxLocation}));
  location = TrimTrailing(location);
  const bool absolute = location.rfind("http:", 0) == 0 || location.rfind("https:", 0) == 0;
  if (!fromHeader || absolute) return std::string(location);

  // Relative to the current URL: its scheme and host, and for a relative path its directory.
  std::string base(currentUrl);
  if (const std::size_t version = base.find("HTTP/1"); version != std::string::npos)
    base.resize(version);
  if (const std::size_t post = base.find("/POST "); post != std::string::npos) base.erase(post, 6);
  std::erase(base, ' ');
  const std::size_t slashes = base.find("//");
  const std::size_t hostStart = slashes == std::string::npos ? 0 : slashes + 2;
  if (!location.empty() && location.front() == '/') {
    const std::size_t slash = base.find('/', hostStart);
    if (slash != std::string::npos) base.resize(slash);
  } else {
    const std::size_t slash = base.rfind('/');
    if (slash != std::string::npos && slash >= hostStart) base.resize(slash);
    if (location.rfind("http", 0) != 0) base += '/';
  }
  base += location;
  return std::string(TrimTrailing(base));
}

}  // namespace meridiana
