#pragma once
// The text side of the HTTP client: the parts of a URL it uses, the request it sends and what it
// reads from a response's header. Plain functions on bytes, so they are tested and fuzzed alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

// The URL's authority runs from after the first "//" to the first "/", "?", "#" or "\"; a
// "user:password@" in it is not part of the host.
// The host to look up, up to an "&"; a ":port" is still on it.
std::string UrlLookupName(std::string_view url);
// A name of digits, "." and ":" only is an address and needs no lookup.
bool IsAddressText(std::string_view name);
// The number after the host's ":", else 80.
int UrlPort(std::string_view url);
// The Host header's value: the host, with ":port" when the port is not 80.
std::string UrlHostHeader(std::string_view url);

struct RequestTextOptions {
  bool throughProxy = false;  // any proxy type: the whole URL is the target
  std::string_view userAgent;
  std::string_view basicCredentials;  // empty until a proxy asked for them
};
// The path and query ("/" when there is none) without the fragment; through a proxy the whole
// URL. Control bytes are sent %-escaped, in the Host header too.
std::string RequestTarget(std::string_view url, bool throughProxy);
std::string BuildRequestText(std::string_view url, const RequestTextOptions& options);

// Offset just after the first "\r\n\r\n", else the first "\n\n", within the bytes.
std::optional<std::size_t> FindHeaderEnd(std::string_view received);

struct ResponseHeader {
  std::uint16_t status = 0;
  std::uint32_t contentLength = 0;
  std::optional<std::string> lastModified;
};
// Reads the status line, "Last-Modified:" and "Content-Length:" from the header block.
ResponseHeader ParseResponseHeader(std::string_view header);

// Where a 301 or 302 response sends the request next, made absolute from the current URL; empty
// when the response names nowhere.
std::string RedirectTarget(std::string_view response, std::string_view currentUrl);

}  // namespace meridiana
