#pragma once
// The bytes of the SOCKS4 and SOCKS5 handshakes with a proxy, and what the proxy's replies say.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

using Ipv4Bytes = std::array<std::uint8_t, 4>;

// Version 4, connect, port, address, the user id and its closing zero byte.
std::string Socks4Request(const Ipv4Bytes& address, int port, std::string_view userId);
// Version 5 and the methods offered: "no authentication", and "user name and password" when the
// user has one.
std::string Socks5Greeting(bool withUserName);
// Version 1, then each of user name and password after its length; none when either is longer
// than a length byte can say.
std::optional<std::string> Socks5Credentials(std::string_view userName, std::string_view password);
std::string Socks5ConnectRequest(const Ipv4Bytes& address, int port);

enum class SocksReply { kIncomplete, kGranted, kRefused, kWrongVersion };
struct SocksAnswer {
  SocksReply reply = SocksReply::kIncomplete;
  std::size_t length = 0;  // bytes of the reply, once complete
  int code = 0;            // the proxy's result or method byte
};
SocksAnswer ReadSocks4Reply(std::string_view bytes);
// The method the proxy chose (granted for 0 and, when offered, 2; refused for any other).
SocksAnswer ReadSocks5Method(std::string_view bytes, bool offeredUserName);
SocksAnswer ReadSocks5AuthReply(std::string_view bytes);
// The connect reply; its bound address may be IPv4, IPv6 or a name.
SocksAnswer ReadSocks5ConnectReply(std::string_view bytes);

}  // namespace meridiana
