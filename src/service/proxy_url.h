#pragma once
// The proxy an upstream download goes through, from the variables curl reads (https_proxy or
// HTTPS_PROXY for https, http_proxy for http, then all_proxy or ALL_PROXY), split so that curl
// gets the address and the credentials apart and no message ever shows the credentials. Which
// hosts go direct (no_proxy) is left to curl.

#include <optional>
#include <string>

namespace meridiana::service {

struct ProxyUrl {
  std::string url;       // "scheme://host[:port]", what curl is given and every message shows
  std::string user;      // percent-decoded; empty for none
  std::string password;  // percent-decoded, never shown
};

// "[scheme://][user[:password]@]host[:port][/]", the user part ending at the last '@' so that a
// password may hold '/', '?' or '#' unencoded; the scheme is http when none is written.
ProxyUrl SplitProxyUrl(const std::string& text);

// The proxy the environment names for an http or https download; none when no variable is set.
std::optional<ProxyUrl> EnvironmentProxy(bool https);

}  // namespace meridiana::service
