// The quake source against a feed server that drips its reply a byte at a time: the download
// neither outlives a stop nor its overall deadline, though every single read is quick.

#include "service/quake_source.h"

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

#include "service/live_refresher.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Answers every connection with a 200 head and then a byte of a feed every 100 ms, for up to
// 40 s; counts the connections.
class DrippingFeed {
 public:
  DrippingFeed() {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listen_, 4);
    getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~DrippingFeed() {
    stop_ = true;
    thread_.join();
    close(listen_);
  }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/all_week.geojson";
  }
  int connections() const { return connections_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n";
      send(fd, head.data(), head.size(), MSG_NOSIGNAL);
      const auto until = Clock::now() + 40s;
      while (!stop_ && Clock::now() < until && send(fd, " ", 1, MSG_NOSIGNAL) == 1)
        std::this_thread::sleep_for(100ms);
      close(fd);
    }
  }

  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

// A request waiting for the first refresh is released, and the refresher stopped, within the
// two seconds the service promises at SIGTERM, while the download would go on for 40.
TEST(QuakeSource, StopEndsADownloadUnderWay) {
  DrippingFeed feed;
  TempDir data;
  LiveRefresher refresher(data.path());
  refresher.Add(MakeQuakeSource(feed.Url(), std::chrono::minutes(5)));
  std::atomic<bool> answered{false};
  std::thread request([&] {
    refresher.BeforeReply("quakes");
    answered = true;
  });
  const auto start = Clock::now();
  while (feed.connections() == 0 && Clock::now() - start < 10s) std::this_thread::sleep_for(20ms);
  ASSERT_EQ(feed.connections(), 1);
  std::this_thread::sleep_for(300ms);  // bytes are coming
  const auto stopping = Clock::now();
  refresher.Stop();
  EXPECT_LT(Clock::now() - stopping, 2s);
  request.join();
  EXPECT_LT(Clock::now() - stopping, 2s);
  EXPECT_NE(access(data.File("quakes.xml").c_str(), F_OK), 0);
}

// A feed that keeps coming is given up at the download's deadline, and nothing is written.
TEST(QuakeSource, ADownloadHasOneDeadline) {
  DrippingFeed feed;
  TempDir data;
  const auto source = MakeQuakeSource(feed.Url(), std::chrono::minutes(5), 1s);
  std::string message;
  const auto start = Clock::now();
  EXPECT_FALSE(source->Refresh(data.path(), {}, &message));
  EXPECT_LT(Clock::now() - start, 15s);
  EXPECT_NE(message.find("not downloaded within 1 s"), std::string::npos) << message;
  EXPECT_NE(access(data.File("quakes.xml").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace meridiana::service
