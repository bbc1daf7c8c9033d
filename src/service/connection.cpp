#include "service/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <vector>

namespace meridiana::service {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks whether the service is stopping.
constexpr std::chrono::milliseconds kStopCheck{100};
// How long a connection with a request may wait for a free worker before it is told to retry.
constexpr std::chrono::seconds kQueueWait{5};
constexpr std::uint64_t kListenId = 0;
constexpr std::uint64_t kWakeId = 1;
// Writes are held up to this much, so that a reply's head goes out with its body.
constexpr std::size_t kHoldBytes = 16 * 1024;

thread_local bool tRefusing = false;

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

}  // namespace

ConnectionStream::ConnectionStream(int socket, std::function<bool()> stopping)
    : socket_(socket), stopping_(std::move(stopping)) {}

bool ConnectionStream::Wait(short events, Deadline until) const {
  for (;;) {
    // A reply under way is finished; only waiting for a client ends at a stop.
    if (events == POLLIN && stopping_ && stopping_()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    // A deadline already past still looks once, without waiting.
    pollfd fd{socket_, events, 0};
    const auto step = std::clamp(left, std::chrono::milliseconds(0), kStopCheck);
    const int ready = ::poll(&fd, 1, static_cast<int>(step.count()));
    if (ready > 0) return true;
    if ((ready < 0 && errno != EINTR) || left.count() <= 0) return false;
  }
}

ConnectionStream::Head ConnectionStream::ReadHead(Deadline idleUntil, Clock::duration headTime,
                                                  Deadline latestEnd, Clock::duration replyTime) {
  pending_.erase(0, next_);
  next_ = 0;
  if (pending_.empty() && !Wait(POLLIN, idleUntil))
    return stopping_ && stopping_() ? Head::kStopping : Head::kIdle;
  // One deadline for the whole head, however its bytes trickle in.
  const Deadline headUntil = std::min(Clock::now() + headTime, latestEnd);
  exchangeUntil_ = headUntil;
  std::size_t searched = 0;
  for (;;) {
    const std::size_t end = pending_.find("\r\n\r\n", searched > 3 ? searched - 3 : 0);
    const bool tooLarge = end == std::string::npos ? pending_.size() >= kMaxRequestHeadBytes
                                                   : end + 4 > kMaxRequestHeadBytes;
    if (end != std::string::npos || tooLarge) {
      exchangeUntil_ = Clock::now() + replyTime;  // for the answer
      return tooLarge ? Head::kTooLarge : Head::kComplete;
    }
    searched = pending_.size();
    if (!Wait(POLLIN, headUntil)) {
      exchangeUntil_ = Clock::now() + replyTime;
      return stopping_ && stopping_() ? Head::kStopping : Head::kTimedOut;
    }
    // Never more than the bound is held, however much the client sends.
    char buffer[4096];
    const std::size_t room = std::min(sizeof buffer, kMaxRequestHeadBytes - pending_.size());
    const ssize_t got = ::recv(socket_, buffer, room, MSG_DONTWAIT);
    if (got == 0) return Head::kClosed;
    if (got < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return Head::kClosed;
    }
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
}

bool ConnectionStream::is_readable() const {
  if (HasPending()) return true;
  // The client may wait for what is held (a "100 Continue") before it sends more.
  if (!const_cast<ConnectionStream*>(this)->Flush()) return false;
  return Wait(POLLIN, exchangeUntil_);
}

bool ConnectionStream::is_writable() const { return Wait(POLLOUT, exchangeUntil_); }

ssize_t ConnectionStream::read(char* ptr, std::size_t size) {
  if (HasPending()) {
    const std::size_t n = std::min(size, pending_.size() - next_);
    std::copy_n(pending_.data() + next_, n, ptr);
    next_ += n;
    return static_cast<ssize_t>(n);
  }
  // The client may wait for what is held before it sends more.
  if (!Flush()) return -1;
  // A body, after the head: the same deadline holds. The socket is asked first, and waited
  // for only when it has nothing.
  for (;;) {
    const ssize_t got = ::recv(socket_, ptr, size, MSG_DONTWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    if (!Wait(POLLIN, exchangeUntil_)) return -1;
  }
}

ssize_t ConnectionStream::SendHeldThen(const char* ptr, std::size_t size) {
  // A reader that takes its reply a byte at a time does not hold the worker past the deadline.
  for (;;) {
    iovec parts[2] = {{held_.data(), held_.size()}, {const_cast<char*>(ptr), size}};
    msghdr message{};
    message.msg_iov = held_.empty() ? parts + 1 : parts;
    message.msg_iovlen = held_.empty() ? 1 : 2;
    const ssize_t sent = ::sendmsg(socket_, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent >= 0) {
      const auto fromHeld = std::min(static_cast<std::size_t>(sent), held_.size());
      held_.erase(0, fromHeld);
      const std::size_t fromPtr = static_cast<std::size_t>(sent) - fromHeld;
      // The rest of the held bytes first; and at least one of ptr's, as a write promises.
      if (!held_.empty() || (fromPtr == 0 && size > 0)) continue;
      return static_cast<ssize_t>(fromPtr);
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    if (!Wait(POLLOUT, exchangeUntil_)) return -1;
  }
}

ssize_t ConnectionStream::write(const char* ptr, std::size_t size) {
  if (held_.size() + size <= kHoldBytes) {
    held_.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  return SendHeldThen(ptr, size);
}

bool ConnectionStream::Flush() { return held_.empty() || SendHeldThen(nullptr, 0) >= 0; }

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  if (remotePort_ < 0) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    remotePort_ = 0;
    if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      AddressOf(address, remoteIp_, remotePort_);
  }
  ip = remoteIp_;
  port = remotePort_;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  if (localPort_ < 0) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    localPort_ = 0;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      AddressOf(address, localIp_, localPort_);
  }
  ip = localIp_;
  port = localPort_;
}

AcceptingWorkers::AcceptingWorkers(std::size_t threads, std::size_t queueLength,
                                   int requestsPerConnection)
    : threads_(std::max<std::size_t>(threads, 1)),
      queueLength_(queueLength),
      requestsPerConnection_(requestsPerConnection) {}

AcceptingWorkers::~AcceptingWorkers() {
  if (poller_ >= 0) ::close(poller_);
  if (wake_ >= 0) ::close(wake_);
}

void AcceptingWorkers::Run(int listenSocket, const Serve& serve) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    listen_ = listenSocket;
    poller_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (poller_ < 0 || wake_ < 0) return;
    // Taken without waiting: the guard and the workers both accept.
    ::fcntl(listenSocket, F_SETFL, ::fcntl(listenSocket, F_GETFL) | O_NONBLOCK);
    // One worker woken per new connection, the socket armed again once it has taken it.
    epoll_event socketEvent{EPOLLIN | EPOLLONESHOT, {.u64 = kListenId}};
    epoll_event wakeEvent{EPOLLIN, {.u64 = kWakeId}};
    ::epoll_ctl(poller_, EPOLL_CTL_ADD, listenSocket, &socketEvent);
    ::epoll_ctl(poller_, EPOLL_CTL_ADD, wake_, &wakeEvent);
  }
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < threads_; ++i) workers.emplace_back([this, &serve] { Work(serve); });
  Guard(serve);
  for (std::thread& worker : workers) worker.join();
  std::lock_guard lock(mutex_);
  for (const Queued& queued : waiting_) ::close(queued.connection->fd);
  waiting_.clear();
  waitingCount_ = 0;
  for (const auto& [id, connection] : idle_) ::close(connection->fd);
  idle_.clear();
  listen_ = -1;
}

void AcceptingWorkers::Stop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  // Wakes every worker waiting in the poller, and the guard.
  if (wake_ >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
  }
  allBusy_.notify_all();
}

bool AcceptingWorkers::refusing() { return tRefusing; }

AcceptingWorkers::Owned AcceptingWorkers::TakeQueued() {
  if (waitingCount_ == 0) return nullptr;
  std::lock_guard lock(mutex_);
  if (waiting_.empty()) return nullptr;
  Owned connection = std::move(waiting_.front().connection);
  waiting_.pop_front();
  --waitingCount_;
  return connection;
}

AcceptingWorkers::Owned AcceptingWorkers::Accept(int fd) {
  auto connection = std::make_unique<Connection>();
  connection->fd = fd;
  connection->requestsLeft = requestsPerConnection_;
  connection->connected = Clock::now();
  std::lock_guard lock(mutex_);
  connection->id = nextId_++;
  return connection;
}

AcceptingWorkers::Owned AcceptingWorkers::Take() {
  if (Owned queued = TakeQueued()) return queued;
  epoll_event event{};
  if (::epoll_wait(poller_, &event, 1, -1) != 1 || event.data.u64 == kWakeId) return nullptr;
  if (event.data.u64 == kListenId) {
    const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    epoll_event again{EPOLLIN | EPOLLONESHOT, {.u64 = kListenId}};
    ::epoll_ctl(poller_, EPOLL_CTL_MOD, listen_, &again);
    if (fd >= 0) return Accept(fd);
    // Out of descriptors or memory for a moment; anything else is a connection that went away
    // before it was taken, or one the guard took.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return nullptr;
  }
  // A request (or the end) on an idle connection; unless its time ran out meanwhile.
  std::lock_guard lock(mutex_);
  const auto found = idle_.find(event.data.u64);
  if (found == idle_.end()) return nullptr;
  Owned connection = std::move(found->second);
  idle_.erase(found);
  return connection;
}

void AcceptingWorkers::Settle(Owned connection, After after) {
  if (after == After::kClose || stopping_) {
    ::close(connection->fd);
    return;
  }
  // Armed under the lock, so that the guard cannot close it (and its number be reused) between.
  std::lock_guard lock(mutex_);
  epoll_event event{EPOLLIN | EPOLLRDHUP | EPOLLONESHOT, {.u64 = connection->id}};
  if (::epoll_ctl(poller_, connection->polled ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, connection->fd,
                  &event) != 0) {
    ::close(connection->fd);
    return;
  }
  connection->polled = true;
  const std::uint64_t id = connection->id;
  idle_.emplace(id, std::move(connection));
}

void AcceptingWorkers::Work(const Serve& serve) {
  while (!stopping_) {
    Owned connection = Take();
    if (!connection) continue;
    if (++busy_ == threads_) {
      std::lock_guard lock(mutex_);
      allBusy_.notify_one();
    }
    const After after = serve(*connection);
    // Given back before the queue is looked at: a connection the guard queues from here on is
    // either seen by this worker or served by the guard (which sees this worker free).
    --busy_;
    Settle(std::move(connection), after);
  }
}

void AcceptingWorkers::Refuse(Owned connection, const Serve& serve) {
  tRefusing = true;
  serve(*connection);
  tRefusing = false;
  ::close(connection->fd);
}

// With the lock held: idle connections whose time is up are closed, unless a request has come
// that no worker has taken yet, which waits as a queued one does; queued ones that waited too
// long are told the service is busy.
void AcceptingWorkers::Sweep(const Serve& serve, std::unique_lock<std::mutex>& lock) {
  const Deadline now = Clock::now();
  std::vector<Owned> refused;
  for (auto it = idle_.begin(); it != idle_.end();) {
    Connection& connection = *it->second;
    if (now < connection.idleUntil) {
      ++it;
      continue;
    }
    pollfd fd{connection.fd, POLLIN, 0};
    const bool asked = ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
    if (asked && now < connection.idleUntil + kQueueWait) {
      ++it;
      continue;
    }
    if (asked) {
      refused.push_back(std::move(it->second));
    } else {
      ::close(connection.fd);
    }
    it = idle_.erase(it);
  }
  while (!waiting_.empty() && now - waiting_.front().since > kQueueWait) {
    refused.push_back(std::move(waiting_.front().connection));
    waiting_.pop_front();
    --waitingCount_;
  }
  if (refused.empty()) return;
  lock.unlock();
  for (Owned& connection : refused) Refuse(std::move(connection), serve);
  lock.lock();
}

void AcceptingWorkers::Guard(const Serve& serve) {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    // Asleep while any worker is free, but for looking at the idle connections' times: the last
    // worker to become busy, and Stop(), wake it.
    allBusy_.wait_for(lock, kStopCheck, [this] { return stopping_ || busy_ == threads_; });
    if (stopping_) break;
    Sweep(serve, lock);
    if (busy_ != threads_) continue;
    lock.unlock();
    pollfd fd{listen_, POLLIN, 0};
    int socket = -1;
    if (::poll(&fd, 1, static_cast<int>(kStopCheck.count())) > 0 && !stopping_ &&
        busy_ == threads_)
      socket = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) {
      lock.lock();
      continue;
    }
    Owned connection = Accept(socket);
    const Connection* accepted = connection.get();
    lock.lock();
    if (busy_ == threads_ && waiting_.size() < queueLength_) {
      waiting_.push_back({std::move(connection), Clock::now()});
      ++waitingCount_;
      if (busy_ == threads_) continue;
      // A worker came free meanwhile and may be waiting in the poller without having seen this
      // connection: unless it has taken it, it is served here.
      if (waiting_.empty() || waiting_.back().connection.get() != accepted) continue;
      connection = std::move(waiting_.back().connection);
      waiting_.pop_back();
      --waitingCount_;
    }
    lock.unlock();
    if (busy_ == threads_) {
      Refuse(std::move(connection), serve);
    } else {
      const After after = serve(*connection);
      Settle(std::move(connection), after);
    }
    lock.lock();
  }
}

}  // namespace meridiana::service
