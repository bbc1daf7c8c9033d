#include "shell/single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include "shell/app_identity.h"

namespace meridiana {

namespace {

constexpr QByteArrayView kRaiseRequest = "raise\n";
constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 1000;
// Two copies started at the same moment must not both take over: the check and the listen run
// under a lock file. Its holder needs a few milliseconds.
constexpr int kLockWaitMs = 3000;
// A request is one short line; anything longer is not from us.
constexpr qint64 kMaxRequestBytes = 64;

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(QString serverPath, QObject* parent)
    : QObject(parent), serverPath_(std::move(serverPath)) {}

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
  if (server_) return Outcome::Owner;
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

  // Nobody answers: the socket file, if any, is left over from a copy that ended badly.
  QLocalServer::removeServer(serverPath_);
  auto server = std::make_unique<QLocalServer>();
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(serverPath_)) return Outcome::Unguarded;
  connect(server.get(), &QLocalServer::newConnection, this, &SingleInstanceGuard::OnNewConnection);
  server_ = std::move(server);
  return Outcome::Owner;
}

void SingleInstanceGuard::Release() {
  if (!server_) return;
  server_->close();  // also removes the socket file
  server_.reset();
}

bool SingleInstanceGuard::isOwner() const { return server_ != nullptr; }

bool SingleInstanceGuard::AskRunningCopyToRaise() {
  QLocalSocket socket;
  socket.connectToServer(serverPath_);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  socket.write(kRaiseRequest.data(), kRaiseRequest.size());
  socket.waitForBytesWritten(kWriteTimeoutMs);
  socket.disconnectFromServer();
  // Connected means a copy is running, whether or not it took the request in time.
  return true;
}

void SingleInstanceGuard::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    socket->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    if (socket->bytesAvailable() > 0) OnReadyRead(socket);
  }
}

void SingleInstanceGuard::OnReadyRead(QLocalSocket* socket) {
  if (socket->bytesAvailable() > kMaxRequestBytes) {
    socket->abort();
    return;
  }
  if (!socket->canReadLine()) return;
  const QByteArray line = socket->readLine(kMaxRequestBytes);
  if (line == QByteArray(kRaiseRequest.data(), kRaiseRequest.size())) emit raiseRequested();
  socket->disconnectFromServer();
}

}  // namespace meridiana
