#include "shell/app/termination_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

namespace meridiana {

namespace {

// The handler may only write to a descriptor; the notifier reads it on the event loop.
int gSignalPipe[2] = {-1, -1};
constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int) {
  const char byte = 1;
  const int savedErrno = errno;
  [[maybe_unused]] ssize_t written = ::write(gSignalPipe[0], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (gSignalPipe[0] != -1) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) {
    gSignalPipe[0] = gSignalPipe[1] = -1;
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(gSignalPipe[1], buffer, sizeof buffer) > 0) {
    }
    emit terminationRequested();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
  notifier_.reset();
  ::close(gSignalPipe[0]);
  ::close(gSignalPipe[1]);
  gSignalPipe[0] = gSignalPipe[1] = -1;
}

}  // namespace meridiana
