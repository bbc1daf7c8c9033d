#pragma once
// The proxy an upstream download goes through, read from the environment the way curl and most
// server tools read it: https_proxy (or HTTPS_PROXY) for https addresses, http_proxy for http
// ones (lower case only, since a CGI-style HTTP_PROXY can come from a request's Proxy header),
// else all_proxy (ALL_PROXY); none for a host that no_proxy (NO_PROXY) names. Only an HTTP proxy
// can carry a download (https through CONNECT, so the proxy sees no content); one of another kind
// is refused rather than gone round, as going direct could leave a network its admin closed.

#include <functional>
#include <optional>
#include <string>

namespace meridiana::service {

struct UpstreamProxy {
  std::string host;  // a name or address; an IPv6 one without brackets
  int port = 0;
  std::string user;      // for Basic authentication with the proxy alone, percent-decoded
  std::string password;  // never shown
  std::string shown;     // "http://host:port" for messages, without user or password
};

struct ProxyChoice {
  std::optional<UpstreamProxy> proxy;  // none: go direct
  std::string problem;                 // set when the named proxy cannot be used
};

// The environment's value of a name, or none when it is unset or empty.
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;
// The process environment.
std::optional<std::string> ProcessEnvironment(const char* name);

// The proxy for a download from host:port (host as in the address, IPv6 in brackets).
ProxyChoice ProxyForDownload(const EnvironmentReader& environment, bool https,
                             const std::string& host, int port);

}  // namespace meridiana::service
