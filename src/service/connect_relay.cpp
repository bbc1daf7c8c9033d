#include "service/connect_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "foundation/base64.h"

namespace meridiana::service {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMaxHead = 16 * 1024;

int MillisecondsLeft(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 1000));
}

void Close(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

// Waits until fd is readable (or, with `out`, writable); false at the deadline, a stop or the
// destructor's wake-up.
bool Wait(int fd, bool out, int wake, Clock::time_point until, const std::stop_token& stop) {
  while (!stop.stop_requested() && Clock::now() < until) {
    pollfd fds[2] = {{fd, static_cast<short>(out ? POLLOUT : POLLIN), 0}, {wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, MillisecondsLeft(until));
    if (ready < 0 && errno != EINTR) return false;
    if (fds[1].revents != 0) return false;
    if (fds[0].revents != 0) return true;
  }
  return false;
}

// Reads one request or reply head (up to the blank line); false at the deadline or on a close.
bool ReadHead(int fd, std::string& head, int wake, Clock::time_point until,
              const std::stop_token& stop) {
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kMaxHead || !Wait(fd, false, wake, until, stop)) return false;
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

}  // namespace

ConnectRelay::ConnectRelay(UpstreamProxy proxy, std::string target, Clock::time_point until,
                           std::stop_token stop)
    : proxy_(std::move(proxy)), target_(std::move(target)), until_(until), stop_(std::move(stop)) {
  if (::pipe2(wake_, O_CLOEXEC) != 0) return;
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 1) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Close(listener_);
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

ConnectRelay::~ConnectRelay() {
  if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
  Close(listener_);
  Close(wake_[0]);
  Close(wake_[1]);
}

std::string ConnectRelay::problem() const {
  std::lock_guard lock(mutex_);
  return problem_;
}

void ConnectRelay::Fail(std::string problem) {
  std::lock_guard lock(mutex_);
  if (problem_.empty()) problem_ = std::move(problem);
}

void ConnectRelay::Run() {
  if (!Wait(listener_, false, wake_[0], until_, stop_)) return;
  int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;
  if (!Tunnel(client)) {
    // A complete refusal without "Connection: close" (the header that hangs the client), then
    // the end of the connection, which ends the client's wait for a TLS handshake at once.
    static constexpr char kRefused[] = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
    SendAll(client, kRefused, sizeof kRefused - 1);
    ::shutdown(client, SHUT_RDWR);
  }
  Close(client);
}

bool ConnectRelay::Tunnel(int client) {
  std::string request;
  if (!ReadHead(client, request, wake_[0], until_, stop_) ||
      request.rfind("CONNECT " + target_ + " ", 0) != 0) {
    Fail("the download asked the relay for another address");
    return false;
  }
  // The real proxy: a numeric address or a name the machine resolves.
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(proxy_.host.c_str(), std::to_string(proxy_.port).c_str(), &hints, &found) !=
      0) {
    Fail("cannot find the proxy " + proxy_.shown);
    return false;
  }
  int upstream = -1;
  for (addrinfo* a = found; a != nullptr && upstream < 0; a = a->ai_next) {
    upstream = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (upstream < 0) continue;
    if (::connect(upstream, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      Close(upstream);
      continue;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (!Wait(upstream, true, wake_[0], until_, stop_) ||
        ::getsockopt(upstream, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      Close(upstream);
    }
  }
  ::freeaddrinfo(found);
  if (upstream < 0) {
    Fail("cannot connect through the proxy " + proxy_.shown);
    return false;
  }
  ::fcntl(upstream, F_SETFL, ::fcntl(upstream, F_GETFL) & ~O_NONBLOCK);

  std::string connect = "CONNECT " + target_ + " HTTP/1.1\r\nHost: " + target_ + "\r\n";
  if (!proxy_.user.empty())
    connect +=
        "Proxy-Authorization: Basic " + Base64Encode(proxy_.user + ":" + proxy_.password) + "\r\n";
  connect += "\r\n";
  std::string reply;
  if (!SendAll(upstream, connect.data(), connect.size()) ||
      !ReadHead(upstream, reply, wake_[0], until_, stop_)) {
    Close(upstream);
    Fail("no answer to CONNECT from the proxy " + proxy_.shown);
    return false;
  }
  const std::size_t blank = reply.find(' ');
  const int status = blank == std::string::npos ? 0 : std::atoi(reply.c_str() + blank + 1);
  if (reply.rfind("HTTP/1.", 0) != 0 || status != 200) {
    Close(upstream);
    if (status == 407 || status == 401) {  // tinyproxy answers wrong credentials with 401
      Fail("the proxy " + proxy_.shown +
           (proxy_.user.empty() ? " asks for a user name and password"
                                : " refused its user name and password"));
    } else {
      Fail("the proxy " + proxy_.shown + " refused the tunnel with status " +
           std::to_string(status));
    }
    return false;
  }
  static constexpr char kOpen[] = "HTTP/1.1 200 Connection established\r\n\r\n";
  std::string early = reply.substr(reply.find("\r\n\r\n") + 4);  // bytes already past the head
  if (!SendAll(client, kOpen, sizeof kOpen - 1) ||
      (!early.empty() && !SendAll(client, early.data(), early.size()))) {
    Close(upstream);
    return true;
  }
  // Both ways until either side closes.
  char buffer[64 * 1024];
  while (!stop_.stop_requested() && Clock::now() < until_) {
    pollfd fds[3] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 3, MillisecondsLeft(until_)) < 0 && errno != EINTR) break;
    if (fds[2].revents != 0) break;
    bool open = true;
    for (int side = 0; side < 2 && open; ++side) {
      if (fds[side].revents == 0) continue;
      const ssize_t got = ::recv(fds[side].fd, buffer, sizeof buffer, 0);
      open = got > 0 && SendAll(fds[1 - side].fd, buffer, static_cast<std::size_t>(got));
    }
    if (!open) break;
  }
  Close(upstream);
  return true;
}

}  // namespace meridiana::service
