// The service under clients that do not play fair: slow request heads, heads without end, more
// connections than workers. The real service on loopback; the clients are raw sockets.

#include "service/http_service.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

using namespace std::chrono_literals;

class RunningService {
 public:
  explicit RunningService(ServeOptions options, const std::string& quakes = "") {
    options.host = "127.0.0.1";
    options.port = 0;
    options.dataFolder = folder_.path();
    folder_.Write("version.txt", "9.9.9\n");
    if (!quakes.empty()) folder_.Write("quakes.xml", quakes);
    service_ = std::make_unique<HttpService>(options);
    std::string error;
    port_ = service_->Bind(&error);
    thread_ = std::thread([this] { service_->Run(); });
  }
  ~RunningService() {
    service_->Stop();
    thread_.join();
  }
  int port() const { return port_; }

 private:
  TempDir folder_;
  std::unique_ptr<HttpService> service_;
  int port_ = -1;
  std::thread thread_;
};

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer), 0);
  return fd;
}

// Everything the server sends until it closes, or until the limit has passed.
std::string ReadAll(int fd, std::chrono::milliseconds limit) {
  std::string data;
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may close on us; that is its right
    sent += static_cast<std::size_t>(n);
  }
}

std::string StatusLine(const std::string& reply) { return reply.substr(0, reply.find('\r')); }

// Clients that send their request head a byte at a time, forever; they run until stopped.
class Drippers {
 public:
  Drippers(int port, int count) {
    for (int i = 0; i < count; ++i) fds_.push_back(Connect(port));
    thread_ = std::thread([this] {
      const std::string head = "GET /version.txt HTTP/1.1\r\nHost: x\r\nX-Slow: ";
      for (std::size_t i = 0; !stop_; ++i) {
        for (const int fd : fds_) send(fd, &head[i % head.size()], 1, MSG_NOSIGNAL);
        std::this_thread::sleep_for(200ms);
      }
    });
  }
  ~Drippers() {
    stop_ = true;
    thread_.join();
    for (const int fd : fds_) close(fd);
  }

 private:
  std::vector<int> fds_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A head that trickles in is cut off at the head's deadline, so slow clients that hold every
// worker delay a normal request by that much, not for as long as they please; and connections
// beyond the workers and their queue are told at once that the service is busy.
TEST(HttpService, SlowClientsDoNotHoldTheWorkers) {
  ServeOptions options;
  options.threads = 2;
  options.queueLength = 2;
  options.readSeconds = 1;
  RunningService service(options);
  Drippers slow(service.port(), 2);  // every worker
  std::this_thread::sleep_for(300ms);

  const auto start = std::chrono::steady_clock::now();
  const int fd = Connect(service.port());
  SendAll(fd, "GET /version.txt HTTP/1.0\r\n\r\n");
  // The drippers go on for as long as the test; without a deadline this would never end.
  const std::string reply = ReadAll(fd, 20s);
  close(fd);
  EXPECT_EQ(StatusLine(reply), "HTTP/1.1 200 OK");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);

  // With heads given all the time in the world, slow ones fill the workers and the queue; one
  // more connection is refused at once.
  options.readSeconds = 60;
  RunningService patient(options);
  Drippers again(patient.port(), 4);
  std::this_thread::sleep_for(300ms);
  const int extra = Connect(patient.port());
  const std::string busy = ReadAll(extra, 20s);
  close(extra);
  EXPECT_EQ(StatusLine(busy), "HTTP/1.1 503 Service Unavailable");
  EXPECT_NE(busy.find("<ERROR n=\"503\">"), std::string::npos) << busy;
}

// A head is read up to 16 KiB: one that fits is answered, a longer one gets 431 however much
// more the client sends, and the connection ends.
TEST(HttpService, RequestHeadsAreBounded) {
  RunningService service(ServeOptions{});
  struct Case {
    std::size_t headBytes;
    const char* status;
  } cases[] = {
      {16 * 1024, "HTTP/1.1 200 OK"},
      {16 * 1024 + 1, "HTTP/1.1 431 Request Header Fields Too Large"},
      {8 << 20, "HTTP/1.1 431 Request Header Fields Too Large"},
  };
  for (const Case& c : cases) {
    std::string head = "GET /version.txt HTTP/1.0\r\n";
    const std::string end = "\r\n";
    while (head.size() + end.size() < c.headBytes) {
      const std::size_t room = c.headBytes - head.size() - end.size();
      // Lines of at most 4000 bytes, each at least "X:" and its line break.
      std::size_t line = std::min<std::size_t>(room, 4000);
      if (room - line != 0 && room - line < 5) line -= 5;
      head += "X:" + std::string(line - 4, 'a') + "\r\n";
    }
    head += end;
    ASSERT_EQ(head.size(), c.headBytes);
    const int fd = Connect(service.port());
    std::thread sender([fd, &head] { SendAll(fd, head); });
    const std::string reply = ReadAll(fd, 20s);
    shutdown(fd, SHUT_RDWR);
    sender.join();
    close(fd);
    EXPECT_EQ(StatusLine(reply), c.status) << c.headBytes;
  }
}

// Replies byte for byte as clients have always had them, head and body: in each HTTP version, for
// HEAD, for two requests sent at once on one connection, for errors, and for a body larger than
// the stream holds back before sending.
TEST(HttpService, RepliesKeepTheirBytes) {
  std::string quakes = "<?xml version=\"1.0\"?>\n<QUAKES>\n";
  for (int i = 0; quakes.size() < 40000; ++i) quakes += "<Q n=\"" + std::to_string(i) + "\"/>\n";
  quakes += "</QUAKES>\n";
  RunningService service(ServeOptions{}, quakes);
  const std::string version = "Content-Length: 6\r\nContent-Type: text/plain\r\n";
  const std::string notFound =
      "HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 72\r\n"
      "Content-Type: text/xml\r\n\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<ERROR n=\"404\">Not found</ERROR>\n";
  const struct {
    const char* name;
    std::string request;
    std::string reply;
  } cases[] = {
      {"1.1, closing", "GET /version.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
       "HTTP/1.1 200 OK\r\nConnection: close\r\n" + version + "\r\n9.9.9\n"},
      {"1.0", "GET /version.txt HTTP/1.0\r\n\r\n",
       "HTTP/1.1 200 OK\r\nConnection: close\r\n" + version +
           "Keep-Alive: timeout=2, max=1000\r\n\r\n9.9.9\n"},
      {"head", "HEAD /version.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
       "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nConnection: close\r\n" + version + "\r\n"},
      {"two at once",
       "GET /version.txt HTTP/1.1\r\nHost: x\r\n\r\n"
       "GET /nothing HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
       "HTTP/1.1 200 OK\r\n" + version + "Keep-Alive: timeout=2, max=1000\r\n\r\n9.9.9\n" + notFound},
      {"not allowed",
       "POST /version.txt HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\nConnection: close\r\n\r\nabc",
       "HTTP/1.1 405 Method Not Allowed\r\nConnection: close\r\nContent-Length: 93\r\n"
       "Content-Type: text/xml\r\n\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<ERROR n=\"405\">Only GET and HEAD are answered</ERROR>\n"},
      {"large body", "GET /earthquake.cgi HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
       "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(quakes.size()) +
           "\r\nContent-Type: text/xml\r\n\r\n" + quakes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int fd = Connect(service.port());
    SendAll(fd, c.request);
    const std::string reply = ReadAll(fd, 10s);
    close(fd);
    EXPECT_TRUE(reply == c.reply) << reply.substr(0, 300);
  }

  // On a connection kept open, the reply leaves at once, not when the connection ends.
  ServeOptions patient;
  patient.keepAliveSeconds = 30;
  RunningService open(patient);
  const int fd = Connect(open.port());
  SendAll(fd, "GET /version.txt HTTP/1.1\r\nHost: x\r\n\r\n");
  const std::string expected =
      "HTTP/1.1 200 OK\r\n" + version + "Keep-Alive: timeout=30, max=1000\r\n\r\n9.9.9\n";
  std::string reply;
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (reply.size() < expected.size() && std::chrono::steady_clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  EXPECT_EQ(reply, expected);
}

// Kept-alive connections hold no worker while they wait for their next request, nor do new
// ones that have sent nothing yet: with many more of either than workers, a fresh client is
// answered at once, and each kept one is answered again when it asks.
TEST(HttpService, WaitingConnectionsHoldNoWorker) {
  ServeOptions options;
  options.threads = 2;
  options.queueLength = 2;
  options.keepAliveSeconds = 30;
  options.readSeconds = 30;
  RunningService service(options);
  const std::string ask = "GET /version.txt HTTP/1.1\r\nHost: x\r\n\r\n";
  const auto oneReply = [](int fd) {  // the 200 of /version.txt, whose body ends with a newline
    std::string reply;
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (reply.find("\r\n\r\n9.9.9\n") == std::string::npos &&
           std::chrono::steady_clock::now() < until) {
      pollfd p{fd, POLLIN, 0};
      char buffer[4096];
      const ssize_t n = poll(&p, 1, 100) > 0 ? recv(fd, buffer, sizeof buffer, 0) : 0;
      if (p.revents != 0 && n <= 0) break;
      if (n > 0) reply.append(buffer, static_cast<std::size_t>(n));
    }
    return StatusLine(reply);
  };
  std::vector<int> kept;
  std::vector<int> silent;
  for (int i = 0; i < 8; ++i) {
    kept.push_back(Connect(service.port()));
    SendAll(kept.back(), ask);
    EXPECT_EQ(oneReply(kept.back()), "HTTP/1.1 200 OK") << "kept " << i;
    silent.push_back(Connect(service.port()));
  }
  // Past the second after which the listening socket hands over a silent connection.
  std::this_thread::sleep_for(1500ms);
  const auto start = std::chrono::steady_clock::now();
  const int fresh = Connect(service.port());
  SendAll(fresh, "GET /version.txt HTTP/1.0\r\n\r\n");
  EXPECT_EQ(StatusLine(ReadAll(fresh, 5s)), "HTTP/1.1 200 OK");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  close(fresh);
  for (const int fd : kept) {
    SendAll(fd, ask);
    EXPECT_EQ(oneReply(fd), "HTTP/1.1 200 OK");
    close(fd);
  }
  for (const int fd : silent) close(fd);
}

}  // namespace
}  // namespace meridiana::service
