#pragma once
// A loopback TCP server on its own thread that plays a script per connection: read so many bytes
// (or up to the blank line after a request's header), answer with given bytes, and so on; then
// close, or hold the connection open until the server goes. What each connection sent is kept.
// It stands in for an origin server, an HTTP proxy or a SOCKS proxy.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace meridiana::test {

struct Exchange {
  static constexpr std::size_t kHeader = 0;  // read until "\r\n\r\n"
  std::size_t expect = kHeader;
  std::string reply;
};

struct Conversation {
  std::vector<Exchange> steps;
  bool keepOpen = false;
};

class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<Conversation(int connection)> script)
      : script_(std::move(script)) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listen_, 16) == 0 &&
        getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port_ = ntohs(address.sin_port);
    if (pipe(stop_) != 0) stop_[0] = stop_[1] = -1;
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedServer() {
    if (stop_[1] >= 0 && write(stop_[1], "x", 1) < 0) {
    }
    thread_.join();
    close(listen_);
    for (int fd : stop_)
      if (fd >= 0) close(fd);
  }
  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> Received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  bool Stopping(int fd, int timeoutMs) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    poll(fds, 2, timeoutMs);
    return (fds[1].revents & POLLIN) != 0;
  }

  void Serve() {
    for (int index = 0;; ++index) {
      if (Stopping(listen_, -1)) return;
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      {
        std::lock_guard lock(mutex_);
        received_.emplace_back();
      }
      const Conversation conversation = script_(index);
      std::string got;
      bool open = true;
      for (const Exchange& step : conversation.steps) {
        while (open &&
               !(step.expect == Exchange::kHeader ? got.find("\r\n\r\n") != std::string::npos
                                                  : got.size() >= step.expect)) {
          if (Stopping(fd, -1)) {
            close(fd);
            return;
          }
          char buffer[4096];
          const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
          if (n <= 0) {
            open = false;
            break;
          }
          got.append(buffer, static_cast<std::size_t>(n));
          std::lock_guard lock(mutex_);
          received_.back().append(buffer, static_cast<std::size_t>(n));
        }
        if (!open) break;
        got.erase(0, step.expect == Exchange::kHeader ? got.find("\r\n\r\n") + 4 : step.expect);
        for (std::size_t sent = 0; sent < step.reply.size();) {
          const ssize_t n =
              send(fd, step.reply.data() + sent, step.reply.size() - sent, MSG_NOSIGNAL);
          if (n <= 0) break;
          sent += static_cast<std::size_t>(n);
        }
      }
      if (conversation.keepOpen && open && Stopping(fd, -1)) {
        close(fd);
        return;
      }
      close(fd);
    }
  }

  std::function<Conversation(int)> script_;
  int listen_ = -1;
  int port_ = 0;
  int stop_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
};

}  // namespace meridiana::test
