#pragma once
// The online service bundled with the program: when the installation points at the default
// service on this machine and nothing answers there, the program starts its own copy for the
// session (on the sample data) and stops it when it ends.

#include <QProcess>
#include <memory>
#include <string>
#include <string_view>

namespace meridiana {

// "http://127.0.0.1:8613" gives host "127.0.0.1" and port 8613; false for anything else.
bool LoopbackHostAndPort(std::string_view address, std::string* host, int* port);
// Whether a TCP connection to the numeric loopback address is accepted.
bool SomethingListens(const std::string& host, int port);

class EmbeddedService {
 public:
  ~EmbeddedService() { Stop(); }

  // Starts `program` (the bundled meridiana-service) listening on the address when the address
  // is defaultAddress, names a loopback host and nothing listens there. True when it started.
  bool StartIfNeeded(std::string_view address, std::string_view defaultAddress,
                     const std::string& program);
  // Ends the copy this program started, if any (SIGTERM, then SIGKILL after two seconds).
  void Stop();
  bool running() const { return process_ && process_->state() != QProcess::NotRunning; }
  qint64 pid() const { return process_ ? process_->processId() : 0; }

 private:
  std::unique_ptr<QProcess> process_;
};

}  // namespace meridiana
