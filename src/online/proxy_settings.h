#pragma once
// The proxy the HTTP client connects through: the values kept under the maker's common key (host,
// port, type, user name and password, the password as typed), and the desktop's own proxy for
// web traffic when none is kept there.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/key_value_store.h"

namespace meridiana {

enum ProxyType { kProxyNone = 0, kProxyHttp = 1, kProxySocks4 = 2, kProxySocks5 = 3 };

// Schemes of the system proxy list ("scheme=host:port;..."); 0 stands for every scheme.
inline constexpr int kSchemeAny = 0;
inline constexpr int kSchemeFtp = 1;
inline constexpr int kSchemeGopher = 2;
inline constexpr int kSchemeHttp = 3;
inline constexpr int kSchemeHttps = 4;
inline constexpr int kSchemeUnknown = -1;

struct ProxySettings {
  std::optional<std::string> host;
  int port = 0;
  int type = kProxyNone;
  std::optional<std::string> userName;
  std::optional<std::string> password;
};

struct ProxyAddress {
  std::string host;
  int port = 0;
  friend bool operator==(const ProxyAddress&, const ProxyAddress&) = default;
};

// The desktop's proxy setting in the list form "scheme=host:port;host:port;...", and whether it
// is on.
struct SystemProxySetting {
  bool enabled = false;
  std::string servers;
};

// What the desktop says.
class ProxySystem {
 public:
  virtual ~ProxySystem() = default;
  virtual std::optional<std::string> Environment(const char* name) const = 0;
  // A GNOME setting as gsettings prints it ("'manual'", "8080"), or nullopt.
  virtual std::optional<std::string> GnomeSetting(std::string_view schema,
                                                  std::string_view key) const = 0;
};

// The real desktop: the process environment, and gsettings when it is installed.
class HostProxySystem : public ProxySystem {
 public:
  std::optional<std::string> Environment(const char* name) const override;
  std::optional<std::string> GnomeSetting(std::string_view schema,
                                          std::string_view key) const override;
};

// The desktop's setting: http_proxy / HTTP_PROXY (and https_proxy, ftp_proxy beside it), else
// all_proxy / ALL_PROXY for every scheme, else GNOME's org.gnome.system.proxy in manual mode.
// On when any is set. A URL's scheme, user and path are left out; a socks URL gives a "socks="
// entry, which the HTTP client cannot use.
SystemProxySetting DesktopProxySetting(const ProxySystem& system);

// The host and port of the list's entry for the scheme: entries in order, the first for every
// scheme or for that scheme wins; an entry of a scheme the list form does not know means none.
// kSchemeUnknown (-1) asks only whether an enabled, non-empty setting exists (the address is
// then empty).
std::optional<ProxyAddress> SystemProxy(const SystemProxySetting& setting, int wantedScheme);

// The kept values; without a kept host, the system's proxy for the scheme (host and port only).
ProxySettings LoadProxy(const KeyValueStore& store, const SystemProxySetting& system,
                        int wantedScheme);
// The proxy type the client starts with: none without a host; the kept type, or an HTTP proxy
// when the host is the desktop's (which names no type).
int StartupProxyType(const ProxySettings& settings);

// Keeps the values, in the order proxy, port, type, username, password; a value that is not set
// is removed. A host equal to the enabled system proxy for http (same host and port, no user
// name) is not kept, so the system setting goes on applying.
void SaveProxy(KeyValueStore& store, const ProxySettings& settings,
               const SystemProxySetting& system);

}  // namespace meridiana
