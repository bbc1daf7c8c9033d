// The window's side of the HTTP client: the client runs on the window's event loop, its texts
// and busy indicator go to the status bar, and it connects through the program's proxy.

#include "shell/window/network_link.h"

#include <cstring>

#include "foundation/key_value_store.h"
#include "online/host_resolver.h"
#include "online/http_client.h"
#include "online/live_data.h"
#include "online/proxy_settings.h"
#include "shell/app/app_identity.h"
#include "shell/app/embedded_service.h"
#include "shell/app/qt_event_loop.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings_store.h"
#include "shell/window/status_bar.h"
#include "shell/window/status_text.h"

namespace meridiana {

namespace {

constexpr int kTextPart = 0;
constexpr int kBusyPart = 3;

}  // namespace

QString SocketErrorText(int error) {
  // This system's own words for the error, as its tools print them.
  char buffer[256] = {};
  const char* words = strerror_r(error, buffer, sizeof buffer);
  return QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(words)).arg(error);
}

NetworkLink::NetworkLink(FeatureHost host) : host_(std::move(host)) {}

NetworkLink::~NetworkLink() = default;

void NetworkLink::Start(const std::function<void(std::function<void()>)>& afterFirstMap) {
  loop_ = std::make_unique<QtEventLoop>();
  resolver_ = MakeDeferredCaresResolver(*loop_);
  http_ = std::make_unique<HttpClient>(*loop_, *resolver_);
  http_->Initialize(kDisplayName,
                    [this](int event, const HttpRequest* request, const HttpEventValue& value) {
                      OnNetworkEvent(event, request, value);
                    });
  // The desktop's proxy may take a settings tool to read; that waits until the map is up.
  // Requests come later still, so none starts without it.
  afterFirstMap([this] {
    KeyValueStore* store = host_.context->store;
    if (!http_ || store == nullptr) return;
    const ProxySettings proxy =
        LoadProxy(*store, DesktopProxySetting(HostProxySystem()), kSchemeHttp);
    // The kept type holds from the start: "None" connects directly even with a host kept for
    // switching back.
    http_->SetProxy(proxy, proxy.host && !proxy.host->empty() ? proxy.type : kProxyNone);
  });
}

void NetworkLink::Shutdown() {
  if (http_) http_->Shutdown();
}

bool NetworkLink::downloading() const { return http_ && !http_->Idle(); }

void NetworkLink::OnNetworkEvent(int event, const HttpRequest* request,
                                 const HttpEventValue& value) {
  if (request == nullptr) return;
  StatusText& status = *host_.status;
  switch (event) {
    case kHttpEventTick:
      status.bar()->StepBusyIndicator(kBusyPart);
      break;
    case kHttpEventText:
    case kHttpEventPlainText:
      if (value.text.empty()) break;
      status.ShowPassing(StatusText::kNetworkFailure, ToQString(value.text));
      break;
    case kHttpEventLeaves:
      // A transfer that worked makes an earlier failure old news.
      if ((request->flags & kHttpDone) != 0 && (request->flags & kHttpFailed) == 0)
        status.EndPassing(StatusText::kNetworkFailure);
      break;
    case kHttpEventListEmpty:
      status.SetPart(kBusyPart, QString());
      break;
    case kHttpEventSocketError:
      status.ShowPassing(StatusText::kNetworkFailure, SocketErrorText(value.number));
      break;
    default:
      break;
  }
}

void NetworkLink::ApplyProxy(const ProxySettings& chosen) {
  const SystemProxySetting desktop = DesktopProxySetting(HostProxySystem());
  const ProxySettings proxy = WithDesktopRules(chosen, desktop);
  if (http_) http_->SetProxy(proxy, proxy.type);
  KeyValueStore* store = host_.context->store;
  if (store != nullptr) {
    // The bundled service downloads through the kept proxy too: a change starts it again.
    const auto keptFor = [store] {
      return ServiceProxyEnvironment(LoadProxy(*store, {}, kSchemeHttps));
    };
    const std::vector<EnvironmentChange> before = keptFor();
    SaveProxy(*store, proxy, desktop);
    if (keptFor() != before && host_.context->serviceSettingsChanged)
      host_.context->serviceSettingsChanged();
  }
}

bool NetworkLink::ApplyLiveData(bool on) {
  KeyValueStore* store = host_.context->store;
  if (store == nullptr) return false;
  const LiveDataChoice before = ReadLiveData(store);
  if (before.locked || before.on == on) return false;
  StoreLiveData(*store, on);
  if (host_.context->serviceSettingsChanged) host_.context->serviceSettingsChanged();
  return true;
}

}  // namespace meridiana
