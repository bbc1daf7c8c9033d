#include "service/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
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
    if (left.count() <= 0) return false;
    pollfd fd{socket_, events, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(std::min(left, kStopCheck).count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
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

AcceptingWorkers::AcceptingWorkers(std::size_t threads, std::size_t queueLength)
    : threads_(std::max<std::size_t>(threads, 1)), queueLength_(queueLength) {}

void AcceptingWorkers::Run(int listenSocket, const Serve& serve) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    listen_ = listenSocket;
  }
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < threads_; ++i)
    workers.emplace_back([this, listenSocket, &serve] { Work(listenSocket, serve); });
  Guard(listenSocket, serve);
  for (std::thread& worker : workers) worker.join();
  std::lock_guard lock(mutex_);
  for (const int fd : waiting_) ::close(fd);
  waiting_.clear();
  waitingCount_ = 0;
  listen_ = -1;
}

void AcceptingWorkers::Stop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  // Wakes every accept() waiting on the socket, which then fails.
  if (listen_ >= 0) ::shutdown(listen_, SHUT_RDWR);
  allBusy_.notify_all();
}

bool AcceptingWorkers::refusing() { return tRefusing; }

int AcceptingWorkers::TakeWaiting() {
  if (waitingCount_ == 0) return -1;
  std::lock_guard lock(mutex_);
  if (waiting_.empty()) return -1;
  const int fd = waiting_.front();
  waiting_.pop_front();
  --waitingCount_;
  return fd;
}

void AcceptingWorkers::Work(int listenSocket, const Serve& serve) {
  while (!stopping_) {
    int fd = TakeWaiting();
    if (fd < 0) {
      fd = ::accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        // Out of descriptors or memory for a moment; anything else is a connection that went
        // away before it was taken, or the stop.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM ||
            errno == EINVAL)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
    }
    if (++busy_ == threads_) {
      std::lock_guard lock(mutex_);
      allBusy_.notify_one();
    }
    serve(fd);
    // Given back before the queue is looked at: a connection the guard queues from here on is
    // either seen by this worker or served by the guard (which sees this worker free).
    --busy_;
  }
}

void AcceptingWorkers::Guard(int listenSocket, const Serve& serve) {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    // Asleep while any worker is free: the last one to become busy, and Stop(), wake it.
    allBusy_.wait(lock, [this] { return stopping_ || busy_ == threads_; });
    if (stopping_) break;
    lock.unlock();
    pollfd fd{listenSocket, POLLIN, 0};
    int socket = -1;
    if (::poll(&fd, 1, static_cast<int>(kStopCheck.count())) > 0 && !stopping_ &&
        busy_ == threads_)
      socket = ::accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
    lock.lock();
    if (socket < 0) continue;
    bool refuse = false;
    if (busy_ == threads_ && waiting_.size() < queueLength_) {
      waiting_.push_back(socket);
      ++waitingCount_;
      if (busy_ == threads_) continue;
      // A worker came free meanwhile and may be waiting in accept() without having seen this
      // connection: unless it has taken it, it is served here.
      const auto queued = std::find(waiting_.begin(), waiting_.end(), socket);
      if (queued == waiting_.end()) continue;
      waiting_.erase(queued);
      --waitingCount_;
    } else {
      refuse = busy_ == threads_;
    }
    lock.unlock();
    tRefusing = refuse;
    serve(socket);
    tRefusing = false;
    lock.lock();
  }
}

}  // namespace meridiana::service
