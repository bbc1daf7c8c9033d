#pragma once
// One client connection of the service, as the HTTP library reads and writes it: the request
// head is read whole before the library sees it, within one deadline for the whole head and a
// bound on its size, so a client that sends slowly or without end cannot hold a worker or memory;
// and the workers that accept and serve the connections, with a bounded queue of those waiting
// and a poller that holds the idle ones.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace meridiana::service {

// A request head (request line and header fields) longer than this is answered with 431.
inline constexpr std::size_t kMaxRequestHeadBytes = 16 * 1024;

using Deadline = std::chrono::steady_clock::time_point;

class ConnectionStream : public httplib::Stream {
 public:
  // stopping() is asked while waiting, so a stop ends a wait early.
  ConnectionStream(int socket, std::function<bool()> stopping);

  enum class Head { kComplete, kIdle, kClosed, kTimedOut, kTooLarge, kStopping };
  // Waits until idleUntil for a request to begin (bytes already read count as begun), then for
  // its whole head, for headTime from its first byte but not past latestEnd. The request's body
  // and its reply then have replyTime.
  Head ReadHead(Deadline idleUntil, std::chrono::steady_clock::duration headTime,
                Deadline latestEnd, std::chrono::steady_clock::duration replyTime);
  // When reads and writes give up from now on.
  void SetDeadline(Deadline until) { exchangeUntil_ = until; }
  // Whether bytes of a further request have been read already.
  bool HasPending() const { return next_ < pending_.size(); }
  // Sends what write() still holds; false when it could not go out before the deadline. Due
  // once a reply is complete: the head and a small body then leave in one segment.
  bool Flush();

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, std::size_t size) override;
  ssize_t write(const char* ptr, std::size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  int socket() const override { return socket_; }

 private:
  // Waits for the events until the deadline, in short steps so that a stop ends a wait to read.
  bool Wait(short events, Deadline until) const;
  // Sends the held bytes and then up to `size` of ptr's in one call; ptr's bytes sent, or -1.
  ssize_t SendHeldThen(const char* ptr, std::size_t size);

  int socket_;
  std::function<bool()> stopping_;
  std::string pending_;  // read from the socket, not yet handed to the library
  std::size_t next_ = 0;
  Deadline exchangeUntil_{};
  // A reply's head and small pieces of its body, held until the body is whole or large.
  std::string held_;
  // The addresses are asked for once per connection, not for each request.
  mutable std::string remoteIp_;
  mutable int remotePort_ = -1;
  mutable std::string localIp_;
  mutable int localPort_ = -1;
};

// A fixed number of worker threads that take connections from one poller (epoll): a new
// connection is accepted by the worker the poller wakes and served on it, with no hand-off; a
// kept-alive connection that waits for its next request is handed back to the poller, so an
// idle client holds no worker, and the worker the poller wakes when the request comes serves it.
// When every worker is busy, the thread that runs Run() accepts in their place: up to
// queueLength connections wait for the next free worker, for a bounded time, and one more (or
// one that waited too long) is served at once with refusing() true, so that its handler
// answers "busy" without waiting for anything. The same thread closes idle connections whose
// time is up.
class AcceptingWorkers {
 public:
  struct Connection {
    int fd = -1;
    int requestsLeft = 0;  // before it is closed, however busy the client keeps it
    Deadline connected{};
    bool fresh = true;  // its first request has not begun
    // When the handler hands it back to wait for a request: closed then unless one has come.
    Deadline idleUntil{};
    std::uint64_t id = 0;
    bool polled = false;  // known to the poller
  };
  enum class After { kClose, kWait };
  // Serves what the connection has to ask now; kWait hands it back, idleUntil set.
  using Serve = std::function<After(Connection&)>;

  AcceptingWorkers(std::size_t threads, std::size_t queueLength, int requestsPerConnection);
  ~AcceptingWorkers();
  AcceptingWorkers(const AcceptingWorkers&) = delete;
  AcceptingWorkers& operator=(const AcceptingWorkers&) = delete;

  // Serves the listening socket's connections until Stop(), and returns once every worker has
  // finished its connection; connections still waiting then are closed. The socket stays open.
  void Run(int listenSocket, const Serve& serve);
  // From any thread, also before Run(), which then returns at once.
  void Stop();
  bool stopping() const { return stopping_; }
  // Whether a quarter of the workers or more are free, so that one may wait a moment on its
  // connection.
  bool spare() const { return busy_ * 4 <= threads_ * 3; }

  static bool refusing();

 private:
  using Owned = std::unique_ptr<Connection>;
  struct Queued {
    Owned connection;
    Deadline since;
  };
  void Work(const Serve& serve);
  void Guard(const Serve& serve);
  Owned Take();  // the next connection for a worker: queued, new or with a request
  Owned TakeQueued();
  Owned Accept(int fd);
  void Settle(Owned connection, After after);
  void Refuse(Owned connection, const Serve& serve);
  void Sweep(const Serve& serve, std::unique_lock<std::mutex>& lock);

  const std::size_t threads_;
  const std::size_t queueLength_;
  const int requestsPerConnection_;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> busy_{0};  // workers serving a connection
  std::mutex mutex_;
  std::condition_variable allBusy_;  // the guard waits for every worker to be busy
  int listen_ = -1;                  // with mutex_ held
  int poller_ = -1;                  // epoll: the listening socket, the wake-up, idle clients
  int wake_ = -1;                    // an eventfd, readable once stopping
  std::deque<Queued> waiting_;       // with mutex_ held
  std::atomic<std::size_t> waitingCount_{0};
  std::unordered_map<std::uint64_t, Owned> idle_;  // with mutex_ held
  std::uint64_t nextId_ = 2;                       // 0 and 1 name the socket and the wake-up
};

}  // namespace meridiana::service
