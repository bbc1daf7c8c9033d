#include "online/socks_messages.h"

namespace meridiana {
namespace {

void AppendPort(std::string& bytes, int port) {
  bytes += static_cast<char>((port >> 8) & 0xFF);
  bytes += static_cast<char>(port & 0xFF);
}

void AppendAddress(std::string& bytes, const Ipv4Bytes& address) {
  for (std::uint8_t byte : address) bytes += static_cast<char>(byte);
}

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

SocksAnswer Answer(SocksReply reply, std::size_t length, int code) {
  return SocksAnswer{reply, length, code};
}

}  // namespace

std::string Socks4Request(const Ipv4Bytes& address, int port, std::string_view userId) {
  std::string bytes = {4, 1};
  AppendPort(bytes, port);
  AppendAddress(bytes, address);
  bytes += userId;
  bytes += '\0';
  return bytes;
}

std::string Socks5Greeting(bool withUserName) {
  return withUserName ? std::string("\x05\x02\x00\x02", 4) : std::string("\x05\x01\x00", 3);
}

std::optional<std::string> Socks5Credentials(std::string_view userName, std::string_view password) {
  if (userName.size() > 255 || password.size() > 255) return std::nullopt;
  std::string bytes = {1, static_cast<char>(userName.size())};
  bytes += userName;
  bytes += static_cast<char>(password.size());
  bytes += password;
  return bytes;
}

std::string Socks5ConnectRequest(const Ipv4Bytes& address, int port) {
  std::string bytes = {5, 1, 0, 1};
  AppendAddress(bytes, address);
  AppendPort(bytes, port);
  return bytes;
}

SocksAnswer ReadSocks4Reply(std::string_view bytes) {
  if (bytes.size() < 8) return {};
  const int code = Byte(bytes, 1);
  if (Byte(bytes, 0) != 0) return Answer(SocksReply::kWrongVersion, 8, code);
  return Answer(code == 0x5A ? SocksReply::kGranted : SocksReply::kRefused, 8, code);
}

SocksAnswer ReadSocks5Method(std::string_view bytes, bool offeredUserName) {
  if (bytes.size() < 2) return {};
  const int method = Byte(bytes, 1);
  if (Byte(bytes, 0) != 5) return Answer(SocksReply::kWrongVersion, 2, method);
  const bool granted = method == 0 || (method == 2 && offeredUserName);
  return Answer(granted ? SocksReply::kGranted : SocksReply::kRefused, 2, method);
}

SocksAnswer ReadSocks5AuthReply(std::string_view bytes) {
  if (bytes.size() < 2) return {};
  const int status = Byte(bytes, 1);
  if (Byte(bytes, 0) != 1) return Answer(SocksReply::kWrongVersion, 2, status);
  return Answer(status == 0 ? SocksReply::kGranted : SocksReply::kRefused, 2, status);
}

SocksAnswer ReadSocks5ConnectReply(std::string_view bytes) {
  if (bytes.size() < 5) return {};
  const int code = Byte(bytes, 1);
  if (Byte(bytes, 0) != 5) return Answer(SocksReply::kWrongVersion, bytes.size(), code);
  std::size_t length = 0;
  switch (Byte(bytes, 3)) {
    case 1:
      length = 4 + 4 + 2;
      break;
    case 4:
      length = 4 + 16 + 2;
      break;
    case 3:
      length = 4 + 1 + Byte(bytes, 4) + 2;
      break;
    default:
      return Answer(SocksReply::kWrongVersion, bytes.size(), code);
  }
  if (bytes.size() < length) return {};
  return Answer(code == 0 ? SocksReply::kGranted : SocksReply::kRefused, length, code);
}

}  // namespace meridiana
