#include "shell/embedded_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "shell/qt_text.h"

namespace meridiana {

bool LoopbackHostAndPort(std::string_view address, std::string* host, int* port) {
  constexpr std::string_view kScheme = "http://";
  if (address.substr(0, kScheme.size()) != kScheme) return false;
  std::string_view rest = address.substr(kScheme.size());
  rest = rest.substr(0, rest.find('/'));
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return false;
  const std::string name(rest.substr(0, colon));
  in_addr numeric{};
  if (inet_pton(AF_INET, name.c_str(), &numeric) != 1 ||
      (ntohl(numeric.s_addr) >> 24) != 127)  // only this machine's own addresses
    return false;
  const int number = std::atoi(std::string(rest.substr(colon + 1)).c_str());
  if (number <= 0 || number > 65535) return false;
  *host = name;
  *port = number;
  return true;
}

bool SomethingListens(const std::string& host, int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &peer.sin_addr);
  // On loopback a refusal comes at once; there is no network to wait for.
  const bool accepted = connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
  close(fd);
  return accepted;
}

bool EmbeddedService::StartIfNeeded(std::string_view address, std::string_view defaultAddress,
                                    const std::string& program) {
  if (running() || address != defaultAddress) return false;
  std::string host;
  int port = 0;
  if (!LoopbackHostAndPort(address, &host, &port) || SomethingListens(host, port)) return false;
  if (::access(program.c_str(), X_OK) != 0) return false;
  process_ = std::make_unique<QProcess>();
  process_->setProgram(ToQString(program));
  process_->setArguments(
      {QStringLiteral("--listen"), ToQString(host + ":" + std::to_string(port))});
  process_->setStandardOutputFile(QProcess::nullDevice());
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Should the program die without stopping it, the service goes too.
  process_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  process_->start();
  if (!process_->waitForStarted(2000)) {
    process_.reset();
    return false;
  }
  return true;
}

void EmbeddedService::Stop() {
  if (!process_) return;
  if (process_->state() != QProcess::NotRunning) {
    process_->terminate();
    if (!process_->waitForFinished(2000)) {
      process_->kill();
      process_->waitForFinished(1000);
    }
  }
  process_.reset();
}

}  // namespace meridiana
