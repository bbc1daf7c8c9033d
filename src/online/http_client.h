#pragma once
// The program's HTTP/1.0 client: one request per transfer, read until the server closes, directly
// or through an HTTP, SOCKS4 or SOCKS5 proxy. Everything runs on the event loop's thread; nothing
// blocks. Progress and errors go to one status sink; each request ends in its completion callback.

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "online/event_loop.h"
#include "online/host_resolver.h"
#include "online/proxy_settings.h"

namespace meridiana {

enum HttpState : std::uint16_t {
  kHttpIdle = 0,
  kHttpResolved = 1,
  kHttpConnected = 2,
  kHttpReceiving = 4,
  kHttpResolving = 8,
  kHttpHandshake = 9,
  kHttpNew = 10,
  kHttpAbandoned = 88,
};

// Request flags; callers read them in the completion callback.
enum HttpFlag : std::uint16_t {
  kHttpAborted = 0x0002,
  kHttpDone = 0x0004,
  kHttpFailed = 0x0008,
  kHttpRedirect = 0x0020,
  kHttpHostNotFound = 0x0100,
  kHttpSocketError = 0x0200,
  kHttpTimedOut = 0x0400,
};
// "Failed|Redirect" and so on, for logs and the command line.
std::string HttpFlagNames(std::uint16_t flags);

// Events of the status sink.
enum HttpEvent : int {
  kHttpEventTick = 0,
  kHttpEventData = 1,
  kHttpEventText = 3,
  kHttpEventListEmpty = 4,
  kHttpEventPlainText = 5,  // a text without the leading blank
  kHttpEventSent = 8,
  kHttpEventSocketError = 9,
  kHttpEventLeaves = 10,
  kHttpEventConnecting = 11,
  kHttpEventResolving = 13,
  kHttpEventResolvedHost = 14,
};

// The response bytes, grown in place as they come: the block reserves address space for the
// largest response at once and the pages come into being as they are written, so growing never
// copies and never holds a body twice. Zero-filled, as fresh pages are.
class ResponseBlock {
 public:
  static constexpr std::size_t kReserved = (32u << 20) + (64u << 10);
  // The first room, which each step then doubles: a body of n bytes takes about log2(n) steps.
  static constexpr std::size_t kFirstRoom = 64u << 10;

  ResponseBlock() = default;
  ~ResponseBlock() { Free(); }
  ResponseBlock(const ResponseBlock&) = delete;
  ResponseBlock& operator=(const ResponseBlock&) = delete;

  bool empty() const { return data_ == nullptr; }
  std::size_t capacity() const { return capacity_; }
  char* data() { return data_; }
  const char* data() const { return data_; }
  // Room for at least `size` bytes in all, growing geometrically up to kReserved. False when
  // `size` is beyond kReserved, or no address space is to be had.
  bool Reserve(std::size_t size);
  // Brings the pages up to `end` (within the room) into being in one call rather than a fault
  // each; the caller keeps `end` near the data, so the block never holds much more than it.
  void Populate(std::size_t end);
  void Free();

 private:
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t populated_ = 0;
};

struct HttpRequest;
// Returns 2 to follow a redirect (with kHttpRedirect set); other values are ignored.
using HttpCallback = std::function<int(HttpRequest& request, std::int32_t userValue)>;

struct HttpRequest {
  int socket = -1;
  std::string url;
  HttpCallback callback;
  std::int32_t userValue = 0;
  ResponseBlock response;
  int received = 0;
  int headerDone = 0;
  std::uint32_t contentLength = 0;
  std::optional<std::string> lastModified;
  bool lookupBuffer = false;  // a lookup is out for this request
  std::uint16_t bodyOffset = 0;
  std::uint16_t status = 0;
  std::uint16_t lookupMessage = 0;
  sockaddr_in peer{};
  int lookupHandle = 0;
  int errorCode = 0;
  std::uint16_t state = kHttpNew;
  std::uint16_t flags = 0;
  std::uint8_t idleTicks = 0;
  std::uint8_t socksStep = 0;
  std::string addressText;
  std::uint8_t redirects = 0;
  std::uint8_t creating = 0;
  int completed = 0;

  std::string_view Received() const {
    return response.empty() ? std::string_view() : std::string_view(response.data(), received);
  }
  std::string_view Body() const { return Received().substr(std::min<int>(bodyOffset, received)); }

  // Bookkeeping of the client.
  EventLoop::Id watch = 0;
  bool watchingConnect = false;
  bool removed = false;
  int inCallback = 0;      // the callback is running: the request is not freed under it
  std::string socksReply;  // handshake bytes not yet consumed
  bool viaProxy = false;   // the proxy is set and the host is not one that goes direct
  std::uint32_t serial = 0;
};

// What the sink gets besides the event: a text (events 3, 5, 8) or a number (event 9's error).
struct HttpEventValue {
  std::string_view text;
  long number = 0;
};
using HttpStatusSink =
    std::function<void(int event, const HttpRequest* request, const HttpEventValue& value)>;

struct HttpTimings {
  int watchdogMs = 64000;
  int activityMs = 100;
};

class HttpClient {
 public:
  // Responses larger than this end Failed; a header that has not ended within kMaxHeader either.
  static constexpr std::size_t kMaxResponse = 32u << 20;
  static constexpr std::size_t kMaxHeader = 32u << 10;

  HttpClient(EventLoop& loop, HostResolver& resolver);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  bool Initialize(std::string_view userAgent, HttpStatusSink sink, HttpTimings timings = {});
  void SetProxy(int type, std::string_view host, int port, std::string_view userName,
                std::string_view password);
  // The program's proxy as loaded, with the type to use: with the desktop's proxy come the hosts
  // that go direct, and a proxy the desktop names that cannot be used makes every other request
  // fail with a text saying so, rather than go direct.
  void SetProxy(const ProxySettings& settings, int type);
  HttpRequest* StartRequest(std::string_view url, std::int32_t userValue, HttpCallback callback);
  void AbortAll();
  void Shutdown();

  bool Initialized() const { return initialized_; }
  bool Idle() const { return requests_.empty(); }
  std::size_t RequestCount() const { return requests_.size(); }
  int LookupCounter() const { return lookupCounter_; }
  std::uint64_t BytesReceived() const { return bytesReceived_; }
  int ProxyType() const { return proxyType_; }
  const std::string& UnusableProxy() const { return proxyUnusable_; }

 private:
  void Emit(int event, const HttpRequest* request, HttpEventValue value = {});
  void Report(const HttpRequest* request, std::string text);
  void StartTimers();
  void StopTimers();
  void Touch(HttpRequest& request);

  void LookUp(HttpRequest& request);
  void LookupReplied(std::uint16_t lookupMessage, int error, const std::string& address);
  void AddressKnown(HttpRequest& request);
  void Connect(HttpRequest& request);
  void Watch(HttpRequest& request, unsigned events, bool forConnect);
  void StopWatching(HttpRequest& request);
  void SocketReady(HttpRequest* request);
  void ConnectReplied(HttpRequest& request, int error);
  bool SendBytes(HttpRequest& request, std::string_view bytes);
  void SendRequest(HttpRequest& request);
  void ReadAvailable(HttpRequest& request);
  void TakeData(HttpRequest& request, std::string_view bytes);
  void Fail(HttpRequest& request, std::string text);

  bool SendToProxy(HttpRequest& request, std::string_view bytes);
  void StartSocks(HttpRequest& request);
  void ContinueSocks(HttpRequest& request);
  // Consumes the proxy's reply bytes; what follows the last reply is response data.
  std::string TakeSocksReply(HttpRequest& request, std::string_view bytes);

  void Complete(HttpRequest& request);
  int Call(HttpRequest& request);
  void FreeRemoved();
  void FreeRemovedLater();
  bool FollowRedirect(HttpRequest& request);
  void Restart(HttpRequest& request);
  void CloseRequest(HttpRequest& request);
  void Remove(HttpRequest& request);
  void WatchdogTick();
  void ActivityTick();
  HttpRequest* AtCursor();

  bool HasProxy() const { return !proxyHost_.empty(); }
  // The proxy speaks HTTP itself, so a 407 is its own and its credentials go in the request.
  bool ThroughHttpProxy(const HttpRequest& request) const {
    return request.viaProxy && proxyType_ == kProxyHttp;
  }
  // Settles whether the request's URL goes through the proxy; false when it may not go out.
  bool Route(HttpRequest& request);
  void RefuseForProxy(std::uint32_t serial);

  EventLoop& loop_;
  HostResolver& resolver_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  bool initialized_ = false;
  std::string userAgent_;
  HttpStatusSink sink_;
  HttpTimings timings_;
  EventLoop::Id watchdogTimer_ = 0;
  EventLoop::Id activityTimer_ = 0;

  int proxyType_ = 0;
  std::string proxyHost_;
  int proxyPort_ = 80;
  std::string proxyUser_;
  std::string proxyPassword_;
  std::string basicCredentials_;
  std::string proxyBypass_;
  std::string proxyUnusable_;
  std::optional<std::string> localHostName_;

  std::list<std::unique_ptr<HttpRequest>> requests_;
  // Freed on the next turn, or once their callback has returned.
  std::vector<std::unique_ptr<HttpRequest>> removed_;
  std::size_t cursor_ = 0;
  int lookupCounter_ = 0;
  int handleOneCount_ = 0;
  bool abortGuard_ = false;
  std::uint32_t serials_ = 0;
  std::uint64_t bytesReceived_ = 0;
};

}  // namespace meridiana
