#include "shell/app/embedded_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>

#include "online/proxy_settings.h"
#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

// The service prints this once it accepts connections; its port follows.
constexpr std::string_view kListeningLine = "listening on 127.0.0.1:";
// A copy that has not said where it listens within this long is taken as broken.
constexpr int kStartMs = 5000;
// How long a request waits on the interface thread for a starting copy to say where it listens;
// past that the request goes without, and the copy's line is read when it comes.
constexpr int kAddressWaitMs = 1000;
// How long an ended copy has for SIGTERM before it is killed.
constexpr int kEndMs = 2000;

// A user name or password inside a URL: everything but the unreserved characters encoded.
std::string UrlPart(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::vector<EnvironmentChange> ServiceProxyEnvironment(const ProxySettings& kept) {
  if (!kept.host || kept.host->empty()) return {};  // the desktop's, inherited
  std::vector<EnvironmentChange> changes;
  for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                           "no_proxy", "NO_PROXY"})
    changes.push_back({name, std::nullopt});
  const int type = StartupProxyType(kept);
  if (type == kProxyNone) return changes;  // None kept over a host: direct, as the window goes
  std::string url = type == kProxySocks4   ? "socks4://"
                    : type == kProxySocks5 ? "socks5://"
                                           : "http://";
  if (type == kProxyHttp && kept.userName && !kept.userName->empty()) {
    url += UrlPart(*kept.userName);
    if (kept.password && !kept.password->empty()) {
      url += ':';
      url += UrlPart(*kept.password);
    }
    url += "@";
  }
  url += *kept.host;
  if (kept.port > 0) {
    url += ':';
    url += std::to_string(kept.port);
  }
  if (type == kProxyHttp) {
    changes[0].value = changes[1].value = url;
  } else {
    changes[3].value = url;
  }
  return changes;
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

bool EmbeddedService::Start(const std::string& program) {
  if (running()) return true;
  if (stopped_ || ::access(program.c_str(), X_OK) != 0) return false;
  program_ = program;
  return Launch();
}

bool EmbeddedService::Launch() {
  process_ = std::make_unique<QProcess>();
  address_.clear();
  output_.clear();
  process_->setProgram(ToQString(program_));
  QStringList arguments;
  for (const std::string& argument : this->arguments()) arguments << ToQString(argument);
  process_->setArguments(arguments);
  if (!environment_.empty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const EnvironmentChange& change : environment_) {
      if (change.value) {
        environment.insert(ToQString(change.name), ToQString(*change.value));
      } else {
        environment.remove(ToQString(change.name));
      }
    }
    process_->setProcessEnvironment(environment);
  }
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Should the program die without stopping it, the service goes too.
  process_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, process_.get(),
                   [this] { ReadAddress(0); });
  process_->start();
  launched_.start();
  if (!process_->waitForStarted(2000)) {
    process_.reset();
    return false;
  }
  return true;
}

// Reads the copy's output up to its listening line, waiting up to waitMs for it.
bool EmbeddedService::ReadAddress(int waitMs) {
  if (!address_.empty()) return true;
  if (!process_) return false;
  QDeadlineTimer deadline(waitMs);
  for (;;) {
    output_ += process_->readAllStandardOutput().toStdString();
    const std::size_t end = output_.find('\n');
    if (end != std::string::npos) {
      const std::string line = output_.substr(0, end);
      if (line.rfind(kListeningLine, 0) != 0) return false;
      const int port = std::atoi(line.c_str() + kListeningLine.size());
      if (port <= 0 || port > 65535) return false;
      address_ = "http://127.0.0.1:" + std::to_string(port);
      // Nothing more is read; what else it prints goes nowhere.
      process_->closeReadChannel(QProcess::StandardOutput);
      return true;
    }
    // Only the first line is wanted; a copy that says more before it is not this service.
    if (output_.size() > 256 || process_->state() == QProcess::NotRunning) return false;
    const qint64 left = deadline.remainingTime();
    if (left <= 0 || !process_->waitForReadyRead(static_cast<int>(left))) {
      output_ += process_->readAllStandardOutput().toStdString();
      if (output_.find('\n') == std::string::npos) {
        // Silent for as long as a copy may take to start: broken; the next request starts a
        // new copy.
        if (waitMs > 0 && launched_.hasExpired(kStartMs)) EndProcess(false);
        return false;
      }
    }
  }
}

std::string EmbeddedService::Address() {
  if (program_.empty()) return {};
  if (!running() && !Launch()) return {};
  return ReadAddress(kAddressWaitMs) ? address_ : std::string();
}

std::vector<std::string> EmbeddedService::arguments() const {
  // The kernel's choice of port: nobody can hold it before the copy does.
  std::vector<std::string> all = {"--listen", "127.0.0.1:0"};
  all.insert(all.end(), extraArguments_.begin(), extraArguments_.end());
  return all;
}

void EmbeddedService::SetArguments(std::vector<std::string> arguments) {
  if (arguments == extraArguments_) return;
  extraArguments_ = std::move(arguments);
  // Started again, lazily, by the next request.
  EndProcess(false);
}

void EmbeddedService::SetEnvironment(std::vector<EnvironmentChange> changes) {
  if (changes == environment_) return;
  environment_ = std::move(changes);
  EndProcess(false);
}

void EmbeddedService::Stop() {
  stopped_ = true;
  program_.clear();
  EndProcess(true);
  // At the end nothing is left behind: copies still ending are waited for.
  for (const QPointer<QProcess>& ending : ending_) {
    if (ending.isNull() || ending->state() == QProcess::NotRunning) continue;
    if (!ending->waitForFinished(kEndMs)) {
      ending->kill();
      ending->waitForFinished(1000);
    }
  }
  ending_.clear();
}

void EmbeddedService::EndProcess(bool wait) {
  address_.clear();
  if (!process_) return;
  process_->disconnect();
  if (process_->state() == QProcess::NotRunning) {
    process_.reset();
    return;
  }
  process_->terminate();
  if (wait) {
    if (!process_->waitForFinished(kEndMs)) {
      process_->kill();
      process_->waitForFinished(1000);
    }
    process_.reset();
    return;
  }
  // Ended without the interface thread waiting: reaped when it is gone, killed if it lingers.
  QProcess* ending = process_.release();
  QObject::connect(ending, &QProcess::finished, ending, &QObject::deleteLater);
  QTimer::singleShot(kEndMs, ending, [ending] { ending->kill(); });
  ending_.erase(std::remove_if(ending_.begin(), ending_.end(),
                               [](const QPointer<QProcess>& p) { return p.isNull(); }),
                ending_.end());
  ending_.emplace_back(ending);
}

std::string ChooseServiceAddress(const std::string& configured, std::string_view defaultAddress,
                                 EmbeddedService* bundled, const std::string& program) {
  if (bundled == nullptr || program.empty() || configured != defaultAddress) return configured;
  if (bundled->stopped()) return {};
  if (!bundled->started()) {
    // An installation without the bundled program has its service at that address.
    if (::access(program.c_str(), X_OK) != 0) return configured;
    bundled->Start(program);
  }
  return bundled->Address();
}

}  // namespace meridiana
