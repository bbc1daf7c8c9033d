// Which requests go through the proxy, and with which credentials: the proxy the user or the
// desktop named, the hosts that go direct, and a desktop proxy the client cannot use.

#include "online/http_client.h"
#include "online/http_message.h"
#include "online/proxy_settings.h"

namespace meridiana {

void HttpClient::SetProxy(int type, std::string_view host, int port, std::string_view userName,
                          std::string_view password) {
  // The credentials belong to the proxy that asked for them and to nobody else.
  const bool same = type != 0 && type == proxyType_ && host == proxyHost_ &&
                    (port != 0 ? port : 80) == proxyPort_ && userName == proxyUser_ &&
                    password == proxyPassword_;
  if (!same) basicCredentials_.clear();
  proxyType_ = 0;
  proxyHost_.clear();
  proxyPort_ = 80;
  proxyUser_.clear();
  proxyPassword_.clear();
  proxyBypass_.clear();
  proxyUnusable_.clear();
  if (type == 0 || host.empty()) return;
  proxyType_ = type;
  proxyHost_ = std::string(host);
  if (port != 0) proxyPort_ = port;
  proxyUser_ = std::string(userName);
  proxyPassword_ = std::string(password);
}

void HttpClient::SetProxy(const ProxySettings& settings, int type) {
  SetProxy(type, settings.host.value_or(""), settings.port, settings.userName.value_or(""),
           settings.password.value_or(""));
  proxyBypass_ = settings.bypass;
  if (!HasProxy()) proxyUnusable_ = settings.unusable;
}

bool HttpClient::Route(HttpRequest& request) {
  std::string host = UrlLookupName(request.url);
  host.resize(std::min(host.size(), host.find(':')));
  const bool direct = ProxyBypassed(proxyBypass_, host, UrlPort(request.url));
  request.viaProxy = HasProxy() && !direct;
  return direct || proxyUnusable_.empty();
}

// On the next turn, as any other failure: the caller's StartRequest has returned by then. The
// text comes after the callback, so that it is the last word in the status bar.
void HttpClient::RefuseForProxy(std::uint32_t serial) {
  // Still in the list, or removed but not yet freed.
  const auto find = [this, serial]() -> HttpRequest* {
    for (const auto& each : requests_)
      if (each->serial == serial) return each.get();
    for (const auto& each : removed_)
      if (each->serial == serial) return each.get();
    return nullptr;
  };
  HttpRequest* request = find();
  if (request == nullptr || request->removed || request->completed) return;
  const std::string text = " The desktop's proxy " + proxyUnusable_ + " cannot be used";
  request->flags |= kHttpFailed;
  Complete(*request);
  Report(find(), text);
}

}  // namespace meridiana
