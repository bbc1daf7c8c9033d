#pragma once
// The window's network: the program's HTTP client on the window's event loop, its texts and busy
// indicator in the status bar, the proxy it connects through, and the live-data choice the
// bundled service runs with.

#include <QString>
#include <functional>
#include <memory>

#include "shell/window/feature_host.h"

namespace meridiana {

class HostResolver;
class HttpClient;
struct HttpEventValue;
struct HttpRequest;
struct ProxySettings;
class QtEventLoop;

// A socket error as this system words it: "Connection refused (111)".
QString SocketErrorText(int error);

class NetworkLink {
 public:
  explicit NetworkLink(FeatureHost host);
  ~NetworkLink();

  // Starts the client; the desktop's proxy is read once the call given to afterFirstMap runs.
  void Start(const std::function<void(std::function<void()>)>& afterFirstMap);
  // Transfers end while the feeds their callbacks belong to still exist.
  void Shutdown();
  // Null before Start, or when host lookups could not start.
  HttpClient* http() const { return http_.get(); }
  bool downloading() const;

  // Preferences' OK: the proxy to the client and to the settings file at once; the bundled
  // service is started again when the proxy it downloads through changed.
  void ApplyProxy(const ProxySettings& chosen);
  // Preferences' live-data choice; true when it changed and the service was restarted.
  bool ApplyLiveData(bool on);

 private:
  void OnNetworkEvent(int event, const HttpRequest* request, const HttpEventValue& value);

  FeatureHost host_;
  // Torn down backwards: the client before the resolver before the loop they run on.
  std::unique_ptr<QtEventLoop> loop_;
  std::unique_ptr<HostResolver> resolver_;
  std::unique_ptr<HttpClient> http_;
};

}  // namespace meridiana
