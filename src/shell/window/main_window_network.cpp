// The window's side of the HTTP client: the client runs on the window's event loop, its texts
// and busy indicator go to the status bar, and it connects through the program's proxy.

#include <QTimer>

#include "foundation/key_value_store.h"
#include "online/cloud_service.h"
#include "online/host_resolver.h"
#include "online/http_client.h"
#include "online/proxy_settings.h"
#include "shell/app/app_identity.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_event_loop.h"
#include "shell/app/qt_text.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"

namespace meridiana {

namespace {

constexpr int kTextPart = 0;
constexpr int kBusyPart = 3;
constexpr int kSocketErrorText = 1041;

}  // namespace

void MainWindow::InitializeHttpClient() {
  networkLoop_ = std::make_unique<QtEventLoop>();
  resolver_ = MakeDeferredCaresResolver(*networkLoop_);
  http_ = std::make_unique<HttpClient>(*networkLoop_, *resolver_);
  http_->Initialize(kDisplayName,
                    [this](int event, const HttpRequest* request, const HttpEventValue& value) {
                      OnNetworkEvent(event, request, value);
                    });
  // The desktop's proxy may take a settings tool to read; that waits until the map is up.
  // Requests come later still, so none starts without it.
  AfterFirstMap([this] {
    if (!http_ || context_.store == nullptr) return;
    const ProxySettings proxy =
        LoadProxy(*context_.store, DesktopProxySetting(HostProxySystem()), kSchemeHttp);
    http_->SetProxy(proxy, StartupProxyType(proxy));
  });
}

void MainWindow::OnNetworkEvent(int event, const HttpRequest* request,
                                const HttpEventValue& value) {
  if (request == nullptr) return;
  switch (event) {
    case kHttpEventTick:
      statusBar_->StepBusyIndicator(kBusyPart);
      break;
    case kHttpEventText:
    case kHttpEventPlainText:
      if (value.text.empty()) break;
      statusMessageId_ = 0;
      statusBar_->SetPartText(kTextPart, ToQString(value.text));
      break;
    case kHttpEventListEmpty:
      statusBar_->SetPartText(kBusyPart, QString());
      break;
    case kHttpEventSocketError: {
      const QString name = LocalText(kSocketErrorText);
      statusMessageId_ = 0;
      statusBar_->SetPartText(kTextPart, QStringLiteral("%1 (%2)").arg(name).arg(value.number));
      break;
    }
    default:
      break;
  }
}

QString MainWindow::LocalText(int stringId) const {
  return context_.language != nullptr ? context_.language->Text(stringId) : EnglishText(stringId);
}

// The Stop command: the animation ends on the newest frame, any transfer under way ends now.
void MainWindow::StopNetworkAndAnimation() {
  if (animationTimer_ != nullptr) animationTimer_->stop();
  if (clouds_) clouds_->SetCurrent(0);
  if (http_) http_->AbortAll();
  UpdateAnimationCommands();
}

}  // namespace meridiana
