#pragma once
// The tunnel of an https download through an HTTP proxy, made by the service itself: the
// download's client is pointed at this relay on loopback as if it were the proxy; the relay
// sends CONNECT (with the proxy's credentials) to the real one and, once it agrees, carries the
// TLS bytes both ways. The client library's own CONNECT never returns when a proxy answers it
// with "Connection: close", as proxies do when they refuse; through the relay a refusal is a
// plain 502 to the client and a problem that names the proxy's answer.

#include <atomic>
#include <chrono>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "service/upstream_proxy.h"

namespace meridiana::service {

class ConnectRelay {
 public:
  // Relays one CONNECT to `target` ("host:port") through `proxy`, until `until` or a stop.
  ConnectRelay(UpstreamProxy proxy, std::string target, std::chrono::steady_clock::time_point until,
               std::stop_token stop);
  ~ConnectRelay();
  ConnectRelay(const ConnectRelay&) = delete;
  ConnectRelay& operator=(const ConnectRelay&) = delete;

  // The loopback port the client is to use as its proxy; 0 when the relay could not listen.
  int port() const { return port_; }
  // Why the proxy did not open the tunnel, once the download has ended; empty when it did or
  // was never asked.
  std::string problem() const;

 private:
  void Run();
  bool Tunnel(int client);
  void Fail(std::string problem);

  UpstreamProxy proxy_;
  std::string target_;
  std::chrono::steady_clock::time_point until_;
  std::stop_token stop_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};  // written by the destructor to end the relay's waits
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string problem_;
  std::thread thread_;
};

}  // namespace meridiana::service
