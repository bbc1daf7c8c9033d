#pragma once
// A name server of the test's own on 127.0.0.1: answers A queries for the names it was given
// and "no such name" for any other, on the test's event loop. c-ares is pointed at it, so no
// lookup ever leaves the machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "online/event_loop.h"

namespace meridiana::test {

class StubNameServer {
 public:
  StubNameServer(EventLoop& loop, std::map<std::string, std::string> addresses)
      : loop_(loop), addresses_(std::move(addresses)) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    watch_ = loop_.WatchSocket(fd_, EventLoop::kReadable, [this](unsigned) { Answer(); });
  }
  ~StubNameServer() {
    if (watch_) loop_.StopWatch(watch_);
    if (fd_ >= 0) close(fd_);
  }
  // "127.0.0.1:PORT", the form c-ares takes.
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  bool Running() const { return port_ != 0; }
  const std::vector<std::string>& Queries() const { return queries_; }

 private:
  void Answer() {
    unsigned char query[512];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n =
        recvfrom(fd_, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 12) return;
    // The question's name, label by label.
    std::string name;
    std::size_t at = 12;
    while (at < static_cast<std::size_t>(n) && query[at] != 0) {
      const std::size_t length = query[at];
      if (at + 1 + length > static_cast<std::size_t>(n)) return;
      if (!name.empty()) name += '.';
      name.append(reinterpret_cast<const char*>(query + at + 1), length);
      at += 1 + length;
    }
    const std::size_t questionEnd = at + 5;  // the zero label, type and class
    if (questionEnd > static_cast<std::size_t>(n)) return;
    const bool typeA = query[at + 1] == 0 && query[at + 2] == 1;
    queries_.push_back(name);

    std::vector<unsigned char> reply(query, query + questionEnd);
    reply[2] = 0x81;  // a response, recursion desired
    reply[6] = reply[7] = reply[8] = reply[9] = reply[10] = reply[11] = 0;
    const auto found = addresses_.find(name);
    in_addr address{};
    if (found == addresses_.end() || inet_pton(AF_INET, found->second.c_str(), &address) != 1) {
      reply[3] = 0x83;  // recursion available, no such name
    } else {
      reply[3] = 0x80;
      if (typeA) {
        reply[7] = 1;
        const unsigned char answer[] = {0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4};
        reply.insert(reply.end(), answer, answer + sizeof answer);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
        reply.insert(reply.end(), bytes, bytes + 4);
      }
    }
    sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
  }

  EventLoop& loop_;
  std::map<std::string, std::string> addresses_;
  int fd_ = -1;
  int port_ = 0;
  EventLoop::Id watch_ = 0;
  std::vector<std::string> queries_;
};

}  // namespace meridiana::test
