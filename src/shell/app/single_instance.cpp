#include "shell/app/single_instance.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <cstring>
#include <string_view>

#include "shell/app/app_identity.h"

namespace meridiana {

namespace {

// Two copies started at the same moment must not both take over: the check and the listen run
// under a lock file. Its holder needs a few milliseconds.
constexpr int kLockWaitMs = 3000;
// A request is one short line; anything longer is not from us.
constexpr size_t kMaxRequestBytes = 64;
constexpr int kListenBacklog = 8;

// The socket address of a path; false when the path does not fit.
bool SocketAddress(const QString& path, sockaddr_un* address) {
  const QByteArray native = QFile::encodeName(path);
  if (native.isEmpty() || static_cast<size_t>(native.size()) >= sizeof address->sun_path) {
    return false;
  }
  *address = {};
  address->sun_family = AF_UNIX;
  std::memcpy(address->sun_path, native.constData(), static_cast<size_t>(native.size()));
  return true;
}

int NewSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(QString serverPath, StartAction action, QObject* parent)
    : QObject(parent), serverPath_(std::move(serverPath)), action_(action) {}

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

QString SingleInstanceGuard::DefaultServerPath() {
  const QString name = QString::fromUtf8(kInstanceName.data(), kInstanceName.size());
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
    return runtime + '/' + name;
  }
  return QDir::tempPath() + '/' + name + '-' + QString::number(::getuid());
}

SingleInstanceGuard::Outcome SingleInstanceGuard::Acquire() {
  if (isOwner()) return Outcome::Owner;
  QLockFile lock(serverPath_ + ".lock");
  // Without the lock, go on anyway: a race between two starts is unlikely. It is released
  // when this function returns.
  (void)lock.tryLock(kLockWaitMs);

  // In a shared folder another user could have put a socket there first: answering it would
  // let them keep this program from ever starting, so it is neither trusted nor removed.
  struct stat st {};
  if (::lstat(QFile::encodeName(serverPath_).constData(), &st) == 0 && st.st_uid != ::getuid()) {
    return Outcome::Unguarded;
  }

  if (AskRunningCopyToRaise()) return Outcome::AnotherRunning;
  return Listen() ? Outcome::Owner : Outcome::Unguarded;
}

bool SingleInstanceGuard::Listen() {
  sockaddr_un address;
  if (!SocketAddress(serverPath_, &address)) return false;
  // Nobody answers: the socket file, if any, is left over from a copy that ended badly.
  ::unlink(address.sun_path);
  const int fd = NewSocket();
  if (fd < 0) return false;
  // Only this user may connect. The mask is the process's, but nothing else runs yet.
  const mode_t mask = ::umask(0177);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(mask);
  if (!bound || ::listen(fd, kListenBacklog) != 0) {
    ::close(fd);
    if (bound) ::unlink(address.sun_path);
    return false;
  }
  listenFd_ = fd;
  listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(listenNotifier_.get(), &QSocketNotifier::activated, this,
          &SingleInstanceGuard::OnNewConnection);
  return true;
}

void SingleInstanceGuard::Release() {
  if (!isOwner()) return;
  while (!connections_.empty()) CloseConnection(connections_.begin()->first);
  listenNotifier_.reset();
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(QFile::encodeName(serverPath_).constData());
}

bool SingleInstanceGuard::isOwner() const { return listenFd_ >= 0; }

bool SingleInstanceGuard::AskRunningCopyToRaise() {
  sockaddr_un address;
  if (!SocketAddress(serverPath_, &address)) return false;
  const int fd = NewSocket();
  if (fd < 0) return false;
  const int connected =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
  // A full backlog (EAGAIN) still means a copy is listening.
  const bool running = connected == 0 || connected == EAGAIN;
  if (connected == 0) {
    // A few bytes always fit in a new socket's buffer. Connected means a copy is running,
    // whether or not it takes the request in time.
    const std::string_view request = StartActionRequest(action_);
    (void)::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  }
  ::close(fd);
  return running;
}

void SingleInstanceGuard::OnNewConnection() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    Connection& connection = connections_[fd];
    connection.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(connection.notifier.get(), &QSocketNotifier::activated, this,
            [this, fd] { OnReadable(fd); });
    OnReadable(fd);
  }
}

void SingleInstanceGuard::OnReadable(int fd) {
  auto found = connections_.find(fd);
  if (found == connections_.end()) return;
  std::string& received = found->second.received;
  char buffer[kMaxRequestBytes];
  for (;;) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (errno == EINTR) continue;
      return;  // the rest comes later
    }
    if (got <= 0) break;  // the peer is done, or the connection failed
    received.append(buffer, static_cast<size_t>(got));
    const size_t end = received.find('\n');
    if (end != std::string::npos) {
      if (const std::optional<StartAction> action =
              StartActionOfRequest(std::string_view(received).substr(0, end + 1))) {
        emit raiseRequested();
        if (const int command = StartActionCommand(*action); command != 0)
          emit actionRequested(command);
      }
      break;
    }
    if (received.size() > kMaxRequestBytes) break;  // not one of ours
  }
  CloseConnection(fd);
}

void SingleInstanceGuard::CloseConnection(int fd) {
  auto found = connections_.find(fd);
  if (found == connections_.end()) return;
  // The notifier may be the one whose signal is being handled: it goes once that is over.
  QSocketNotifier* notifier = found->second.notifier.release();
  notifier->setEnabled(false);
  notifier->deleteLater();
  connections_.erase(found);
  ::close(fd);
}

}  // namespace meridiana
