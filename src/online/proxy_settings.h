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
  // Only with the desktop's proxy, never kept: the hosts that go direct ("no_proxy" form), and
  // the proxy the desktop names when the client cannot use it (then nothing else goes out).
  std::string bypass{};
  std::string unusable{};
};

struct ProxyAddress {
  std::string host;
  int port = 0;
  int type = kProxyHttp;
  friend bool operator==(const ProxyAddress&, const ProxyAddress&) = default;
};

// The desktop's proxy setting in the list form "scheme=host:port;host:port;...", and whether it
// is on. Besides the schemes above, "socks" (SOCKS5) and "socks4" entries name a SOCKS proxy for
// every scheme that has no entry of its own.
struct SystemProxySetting {
  bool enabled = false;
  std::string servers;
  std::string bypass{};    // hosts that go direct, "no_proxy" form
  std::string unusable{};  // a proxy the desktop names that the client cannot speak to
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
// On when any is set. A URL's user and path are left out; socks5://, socks5h:// and socks://
// give a "socks=" entry, socks4:// and socks4a:// a "socks4=" one (port 1080 unless given).
// A proxy of another scheme (https://), an IPv6 one, a bad port or GNOME's automatic mode is
// named in `unusable` instead. no_proxy / NO_PROXY, or GNOME's ignore-hosts, is the bypass.
SystemProxySetting DesktopProxySetting(const ProxySystem& system);

// Whether a request to host:port goes direct by a "no_proxy" list: entries separated by commas
// or blanks, without regard to case; "*" for every host; a name for itself and every name under
// it (a leading "." or "*." changes nothing); an IPv4 address, or a network as address/bits;
// an entry with ":port" only for that port.
bool ProxyBypassed(std::string_view list, std::string_view host, int port);

// The host and port of the list's entry for the scheme: entries in order, the first for every
// scheme or for that scheme wins; an entry of a scheme the list form does not know means none.
// kSchemeUnknown (-1) asks only whether an enabled, non-empty setting exists (the address is
// then empty).
std::optional<ProxyAddress> SystemProxy(const SystemProxySetting& setting, int wantedScheme);

// The kept values; without a kept host, the system's proxy for the scheme (host, port and type,
// with its bypass list), or what the desktop names that cannot be used.
ProxySettings LoadProxy(const KeyValueStore& store, const SystemProxySetting& system,
                        int wantedScheme);
// The proxy type the client starts with: none without a host; else the kept or the desktop's
// type, None included (LoadProxy reads a kept host without a type as HTTP).
int StartupProxyType(const ProxySettings& settings);

// A proxy confirmed in Preferences keeps the desktop's bypass list while it is the desktop's
// proxy, and the desktop's unusable proxy while it names none of its own.
ProxySettings WithDesktopRules(ProxySettings confirmed, const SystemProxySetting& system);

// Keeps the values, in the order proxy, port, type, username, password; a value that is not set
// is removed. A host equal to the enabled system proxy for http (same host and port, no user
// name) is not kept, so the system setting goes on applying.
void SaveProxy(KeyValueStore& store, const ProxySettings& settings,
               const SystemProxySetting& system);

}  // namespace meridiana
