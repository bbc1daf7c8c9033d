// The SOCKS4 and SOCKS5 handshakes of the HTTP client: after the TCP connection to the proxy,
// the target's address is looked up here and handed to the proxy, which then relays the request.

#include <arpa/inet.h>
#include <unistd.h>

#include <cstring>

#include "online/http_client.h"
#include "online/http_message.h"
#include "online/socks_messages.h"

namespace meridiana {
namespace {

constexpr std::size_t kMaxUserId = 90;

std::optional<Ipv4Bytes> AddressBytes(const std::string& text) {
  in_addr address{};
  if (inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  Ipv4Bytes bytes;
  std::memcpy(bytes.data(), &address, 4);
  return bytes;
}

std::string Code(int code) { return " (" + std::to_string(code) + ")"; }

}  // namespace

// A handshake message that cannot be sent leaves the request idle for the watchdog to end.
bool HttpClient::SendToProxy(HttpRequest& request, std::string_view bytes) {
  if (SendBytes(request, bytes)) return true;
  Report(&request, " Request send Failed (0)");
  request.state = kHttpIdle;
  StopWatching(request);
  return false;
}

void HttpClient::StartSocks(HttpRequest& request) {
  Touch(request);
  request.socksReply.clear();
  if (proxyType_ == 2) {
    request.socksStep = 3;
    LookUp(request);
    return;
  }
  if (proxyUser_.size() > 255 || proxyPassword_.size() > 255) {
    Fail(request, " SOCKS5 user name or password longer than 255 bytes");
    return;
  }
  Watch(request, EventLoop::kReadable, false);
  if (!SendToProxy(request, Socks5Greeting(!proxyUser_.empty()))) return;
  request.socksStep = 1;
  request.state = kHttpHandshake;
}

void HttpClient::ContinueSocks(HttpRequest& request) {
  Touch(request);
  const std::optional<Ipv4Bytes> target = AddressBytes(request.addressText);
  if (!target) {
    Report(&request, " Address Translation Error");
    request.state = kHttpIdle;
    return;
  }
  const int port = UrlPort(request.url);
  std::string bytes;
  if (proxyType_ == 2) {
    if (!localHostName_) {
      char name[256] = {};
      gethostname(name, sizeof name - 1);
      localHostName_ = std::string(name).substr(0, kMaxUserId);
    }
    Watch(request, EventLoop::kReadable, false);
    bytes = Socks4Request(*target, port, *localHostName_);
  } else {
    bytes = Socks5ConnectRequest(*target, port);
  }
  if (!SendToProxy(request, bytes)) return;
  request.socksStep = 4;
  request.state = kHttpHandshake;
}

std::string HttpClient::TakeSocksReply(HttpRequest& request, std::string_view bytes) {
  Touch(request);
  request.socksReply.append(bytes);
  const std::string_view reply = request.socksReply;
  SocksAnswer answer;
  switch (request.socksStep) {
    case 1:
      answer = ReadSocks5Method(reply, !proxyUser_.empty());
      break;
    case 2:
      answer = ReadSocks5AuthReply(reply);
      break;
    case 4:
      answer = proxyType_ == 2 ? ReadSocks4Reply(reply) : ReadSocks5ConnectReply(reply);
      break;
    default:  // the proxy speaks before it was asked
      Fail(request, " SOCKS proxy reply not understood");
      return {};
  }
  if (answer.reply == SocksReply::kIncomplete) return {};
  if (answer.reply == SocksReply::kWrongVersion) {
    Fail(request, " SOCKS proxy reply not understood");
    return {};
  }
  if (answer.reply == SocksReply::kRefused) {
    switch (request.socksStep) {
      case 1:
        Fail(request, " SOCKS proxy accepts none of our methods" + Code(answer.code));
        break;
      case 2:
        Fail(request, " SOCKS proxy refused the user name or password");
        break;
      default:
        Fail(request, " SOCKS proxy refused the connection" + Code(answer.code));
        break;
    }
    return {};
  }
  std::string rest = request.socksReply.substr(answer.length);
  request.socksReply.clear();
  if (request.socksStep == 1 && answer.code == 2) {
    // Length checked before the greeting went out.
    const std::string credentials = *Socks5Credentials(proxyUser_, proxyPassword_);
    if (!SendToProxy(request, credentials)) return {};
    request.socksStep = 2;
    request.socksReply = rest;
    return {};
  }
  if (request.socksStep == 1 || request.socksStep == 2) {
    request.socksStep = 3;
    request.socksReply = rest;
    LookUp(request);
    return {};
  }
  // Connected through the proxy: what came after its reply is the server's.
  request.received = 0;
  request.socksStep = 0;
  request.state = kHttpConnected;
  SendRequest(request);
  return rest;
}

}  // namespace meridiana
