#pragma once
// The online service bundled with the program: when the installation names the default service,
// the program runs its own copy for the session (on the sample data), on a loopback port the
// kernel picks, talks to that copy only, starts it again should it die, and stops it at the end.
// Whatever else listens at the default address is never asked.

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct ProxySettings;

// One variable of the copy's environment set (a value) or removed (none) before it starts.
struct EnvironmentChange {
  std::string name;
  std::optional<std::string> value;
  friend bool operator==(const EnvironmentChange&, const EnvironmentChange&) = default;
};

// What the copy's downloads need to use the proxy kept in Preferences (the program's own, not
// the desktop's, which the copy inherits with the environment): an HTTP proxy as http_proxy and
// https_proxy with its user name and password, a SOCKS proxy as all_proxy, and no other proxy
// variable; every proxy variable removed for a kept host of type None; nothing without a kept
// proxy.
std::vector<EnvironmentChange> ServiceProxyEnvironment(const ProxySettings& kept);

// Whether a TCP connection to the numeric loopback address is accepted.
bool SomethingListens(const std::string& host, int port);

class EmbeddedService {
 public:
  ~EmbeddedService() { Stop(); }

  // Starts `program` (the bundled meridiana-service) on a free loopback port. True when it runs;
  // false also after Stop.
  bool Start(const std::string& program);
  // The running copy's "http://127.0.0.1:PORT", started again first when it has died; empty
  // when it was never started, has been stopped, or cannot run, and while a copy just started
  // has not said where it listens within a second (a later call has it).
  std::string Address();
  // Ends the copy this program started, if any (SIGTERM, then SIGKILL after two seconds), for
  // good: it is not started again. Waits for it, and for copies still ending.
  void Stop();
  // What the copy is started with after its "--listen" pair (live data and its folder); a
  // running copy is ended, without waiting for it, so that the next Address starts it with these.
  void SetArguments(std::vector<std::string> arguments);
  // Changes to the environment a copy starts with; a running copy is ended when they differ
  // from the last ones, as with SetArguments.
  void SetEnvironment(std::vector<EnvironmentChange> changes);
  // The whole argument list a copy starts with.
  std::vector<std::string> arguments() const;
  // Whether a copy is wanted: Start found the program, and Stop has not been called.
  bool started() const { return !program_.empty(); }
  bool stopped() const { return stopped_; }
  bool running() const { return process_ && process_->state() != QProcess::NotRunning; }
  qint64 pid() const { return process_ ? process_->processId() : 0; }

 private:
  bool Launch();
  bool ReadAddress(int waitMs);

  // SIGTERM to the running copy; wait: until it is gone, else it is reaped when it goes.
  void EndProcess(bool wait);

  std::string program_;  // empty: not wanted
  std::vector<std::string> extraArguments_;
  std::vector<EnvironmentChange> environment_;
  std::unique_ptr<QProcess> process_;
  QElapsedTimer launched_;
  std::vector<QPointer<QProcess>> ending_;  // ended copies not yet gone
  std::string address_;                     // the running copy's, once it said where it listens
  std::string output_;                      // its standard output up to the listening line
  bool stopped_ = false;
};

// Where the program's requests go: when the installation names the default service and the
// bundled program is there, its own copy (started now if need be; empty when it cannot run or
// has been stopped); else the installation's address. bundled may be null.
std::string ChooseServiceAddress(const std::string& configured, std::string_view defaultAddress,
                                 EmbeddedService* bundled, const std::string& program);

}  // namespace meridiana
