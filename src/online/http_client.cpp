#include "online/http_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/base64.h"
#include "foundation/text_util.h"
#include "online/http_message.h"

namespace meridiana {
namespace {

// A proxy's handshake reply is read through a small buffer; a response straight into its block,
// as much as the socket holds up to kMaxRead a call.
constexpr std::size_t kHandshakeRead = 4096;
constexpr std::size_t kMaxRead = 512u << 10;
// Pages are brought into being this far ahead of the data at most.
constexpr std::size_t kPopulateAhead = 256u << 10;
constexpr int kFirstLookupMessage = 20010;
constexpr int kLookupIds = 9900;
constexpr std::size_t kMaxAddressText = 19;
constexpr std::size_t kMaxEventText = 99;
constexpr int kMaxRedirects = 5;

// A read may go past the limit, which is how a response too large is told; nothing past it is
// kept.
static_assert(ResponseBlock::kReserved > HttpClient::kMaxResponse + kHandshakeRead);

int OpenSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

}  // namespace

HttpClient::HttpClient(EventLoop& loop, HostResolver& resolver)
    : loop_(loop), resolver_(resolver) {}

HttpClient::~HttpClient() { Shutdown(); }

bool HttpClient::Initialize(std::string_view userAgent, HttpStatusSink sink, HttpTimings timings) {
  if (!sink) return false;
  userAgent_ = std::string(userAgent);
  sink_ = std::move(sink);
  if (initialized_) return true;
  timings_ = timings;
  proxyHost_.clear();
  proxyPort_ = 80;
  initialized_ = true;
  return true;
}

void HttpClient::Emit(int event, const HttpRequest* request, HttpEventValue value) {
  if (sink_) sink_(event, request, value);
}

void HttpClient::Report(const HttpRequest* request, std::string text) {
  if (text.size() > kMaxEventText) text.resize(kMaxEventText);
  Emit(kHttpEventText, request, {text});
}

void HttpClient::StartTimers() {
  if (!watchdogTimer_)
    watchdogTimer_ = loop_.StartTimer(timings_.watchdogMs, [this] { WatchdogTick(); });
  if (!activityTimer_)
    activityTimer_ = loop_.StartTimer(timings_.activityMs, [this] { ActivityTick(); });
}

void HttpClient::StopTimers() {
  if (watchdogTimer_) loop_.StopTimer(watchdogTimer_);
  if (activityTimer_) loop_.StopTimer(activityTimer_);
  watchdogTimer_ = activityTimer_ = 0;
}

// Any step of the machine outside reading counts as progress, except for a request that the
// watchdog has already let idle for ten ticks.
void HttpClient::Touch(HttpRequest& request) {
  if (request.state != kHttpReceiving && request.idleTicks != 10) request.idleTicks = 0;
}

HttpRequest* HttpClient::StartRequest(std::string_view url, std::int32_t userValue,
                                      HttpCallback callback) {
  if (!initialized_ || !StartsWithIgnoringCase(url, "http")) return nullptr;
  const int fd = OpenSocket();
  if (fd < 0) {
    Report(nullptr, " Unable to get socket.");
    return nullptr;
  }
  auto owned = std::make_unique<HttpRequest>();
  HttpRequest& request = *owned;
  request.socket = fd;
  request.url = std::string(url);
  request.callback = std::move(callback);
  request.userValue = userValue;
  request.creating = 1;
  request.serial = ++serials_;
  requests_.push_back(std::move(owned));
  StartTimers();
  if (!Route(request)) {
    request.state = kHttpIdle;
    loop_.Post([this, alive = std::weak_ptr<int>(alive_), serial = request.serial] {
      if (!alive.expired()) RefuseForProxy(serial);
    });
    request.creating = 0;
    return &request;
  }
  LookUp(request);
  request.creating = 0;
  if (request.removed) return nullptr;
  if (request.completed) {  // ended while being created: nothing is left to wait for
    Remove(request);
    return nullptr;
  }
  return &request;
}

void HttpClient::LookUp(HttpRequest& request) {
  Touch(request);
  std::string name =
      request.viaProxy && request.socksStep == 0 ? proxyHost_ : UrlLookupName(request.url);
  if (IsAddressText(name)) {
    name.resize(std::min(name.size(), kMaxAddressText));
    request.addressText = name.substr(0, name.find(':'));
    request.state = kHttpResolved;
    AddressKnown(request);
    return;
  }
  name.resize(std::min(name.size(), name.find(':')));
  request.state = kHttpResolving;
  request.lookupBuffer = true;
  if (++lookupCounter_ > kLookupIds) lookupCounter_ = 1;
  request.lookupMessage = static_cast<std::uint16_t>(kFirstLookupMessage + lookupCounter_);
  if (request.redirects == 0 && request.socksStep == 0) Emit(kHttpEventResolving, &request);
  const std::uint16_t message = request.lookupMessage;
  request.lookupHandle = resolver_.Lookup(name, [this, alive = std::weak_ptr<int>(alive_), message](
                                                    int error, const std::string& address) {
    if (!alive.expired()) LookupReplied(message, error, address);
  });
  // Lookup services that hand out the same handle again cannot cancel one lookup without the
  // other; once seen, lookups are left to run out instead.
  if (request.lookupHandle == 1) ++handleOneCount_;
  if (request.lookupHandle == 0) {
    request.lookupBuffer = false;
    request.state = kHttpIdle;
  }
}

void HttpClient::LookupReplied(std::uint16_t lookupMessage, int error, const std::string& address) {
  HttpRequest* found = nullptr;
  for (const auto& request : requests_)
    if (request->lookupMessage == lookupMessage && request->lookupBuffer) found = request.get();
  if (!found) return;
  HttpRequest& request = *found;
  request.lookupBuffer = false;
  request.lookupHandle = 0;
  Touch(request);
  if (error != 0 || address.empty()) {
    request.flags |= kHttpSocketError | kHttpFailed | kHttpHostNotFound;
    request.errorCode = error;
    Report(&request, " Host Not Found");
    request.state = kHttpIdle;
    Complete(request);
    return;
  }
  request.addressText = address.substr(0, kMaxAddressText);
  request.state = kHttpResolved;
  if (request.redirects == 0 && request.socksStep == 0) Emit(kHttpEventResolvedHost, &request);
  AddressKnown(request);
}

// A numeric target of a SOCKS proxy goes on with the handshake, as a looked-up one does.
void HttpClient::AddressKnown(HttpRequest& request) {
  if (request.socksStep != 0) {
    ContinueSocks(request);
  } else {
    Connect(request);
  }
}

void HttpClient::Connect(HttpRequest& request) {
  Touch(request);
  Emit(kHttpEventConnecting, &request);
  request.peer = {};
  request.peer.sin_family = AF_INET;
  const int port = request.viaProxy && request.socksStep == 0 ? proxyPort_ : UrlPort(request.url);
  request.peer.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, request.addressText.c_str(), &request.peer.sin_addr) != 1) {
    Report(&request, " Address Translation Error");
    request.state = kHttpIdle;
    return;
  }
  if (request.socket < 0) {
    request.state = kHttpIdle;
    return;
  }
  Watch(request, EventLoop::kWritable, true);
  if (connect(request.socket, reinterpret_cast<const sockaddr*>(&request.peer),
              sizeof request.peer) == 0 ||
      errno == EINPROGRESS) {
    return;  // the watch reports the outcome
  }
  const int error = errno;
  Emit(kHttpEventSocketError, &request, {{}, error});
  StopWatching(request);
  request.state = kHttpIdle;
}

void HttpClient::Watch(HttpRequest& request, unsigned events, bool forConnect) {
  StopWatching(request);
  request.watchingConnect = forConnect;
  HttpRequest* target = &request;
  request.watch =
      loop_.WatchSocket(request.socket, events, [this, target](unsigned) { SocketReady(target); });
}

void HttpClient::StopWatching(HttpRequest& request) {
  if (request.watch) loop_.StopWatch(request.watch);
  request.watch = 0;
}

void HttpClient::SocketReady(HttpRequest* request) {
  if (request->removed || request->socket < 0) return;
  if (request->watchingConnect) {
    StopWatching(*request);
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(request->socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    ConnectReplied(*request, error);
  } else {
    ReadAvailable(*request);
  }
}

void HttpClient::ConnectReplied(HttpRequest& request, int error) {
  Touch(request);
  if (error != 0) {
    request.flags |= kHttpSocketError | kHttpFailed;
    request.errorCode = error;
    Emit(kHttpEventSocketError, &request, {{}, error});
    Complete(request);
    return;
  }
  if (request.viaProxy && (proxyType_ == kProxySocks4 || proxyType_ == kProxySocks5) &&
      request.state != kHttpConnected) {
    StartSocks(request);
    return;
  }
  request.state = kHttpConnected;
  SendRequest(request);
}

bool HttpClient::SendBytes(HttpRequest& request, std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(request.socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void HttpClient::SendRequest(HttpRequest& request) {
  Touch(request);
  Watch(request, EventLoop::kReadable, false);
  const std::string text = BuildRequestText(
      request.url,
      {.throughProxy = request.viaProxy,
       .userAgent = userAgent_,
       .basicCredentials = ThroughHttpProxy(request) ? std::string_view(basicCredentials_) : ""});
  if (!SendBytes(request, text)) {
    Report(&request, " Request Send failed (" + std::to_string(errno == EAGAIN ? 0 : errno) + ")");
    request.state = kHttpIdle;
    StopWatching(request);
    return;
  }
  Emit(kHttpEventSent, &request, {text});
}

void HttpClient::Fail(HttpRequest& request, std::string text) {
  Report(&request, std::move(text));
  request.flags |= kHttpFailed;
  Complete(request);
}

// Reads until the socket would block (or the request ends); the server closing the connection is
// the end of the response.
void HttpClient::ReadAvailable(HttpRequest& request) {
  char buffer[kHandshakeRead];
  while (!request.removed && !request.completed && request.socket >= 0) {
    if (request.state != kHttpHandshake) request.state = kHttpReceiving;
    const auto received = static_cast<std::size_t>(request.received);
    if (!request.response.Reserve(std::min(received + kMaxRead, ResponseBlock::kReserved))) {
      Emit(kHttpEventPlainText, &request, {"Error TH112: Out of memory"});
      return;
    }
    // Straight into the response, unless a proxy's handshake reply comes first.
    const bool handshake = request.state == kHttpHandshake;
    char* into = handshake ? buffer : request.response.data() + received;
    const std::size_t want =
        handshake ? sizeof buffer : std::min(request.response.capacity() - received, kMaxRead);
    if (!handshake) request.response.Populate(received + std::min(want, kPopulateAhead));
    const ssize_t n = recv(request.socket, into, want, 0);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      const int error = errno;
      Emit(kHttpEventSocketError, &request, {{}, error});
      StopWatching(request);
      if (request.received > 0) {
        request.flags |= kHttpFailed;
        Complete(request);
      } else {
        request.state = kHttpIdle;
      }
      return;
    }
    if (n == 0) {
      if (request.state == kHttpHandshake) {
        Fail(request, " SOCKS proxy closed the connection during the handshake");
      } else {
        Complete(request);
      }
      return;
    }
    std::string_view bytes(into, static_cast<std::size_t>(n));
    std::string afterHandshake;
    if (request.state == kHttpHandshake) {
      afterHandshake = TakeSocksReply(request, bytes);
      if (request.removed || request.completed || afterHandshake.empty()) continue;
      bytes = afterHandshake;
    }
    TakeData(request, bytes);
    // A short read has emptied the socket: the next wake-up brings more, or the end.
    if (!handshake && static_cast<std::size_t>(n) < want) return;
  }
}

void HttpClient::TakeData(HttpRequest& request, std::string_view bytes) {
  if (request.received + bytes.size() > kMaxResponse) {
    Fail(request, " Response larger than " + std::to_string(kMaxResponse >> 20) + " MiB");
    return;
  }
  if (!request.response.Reserve(request.received + bytes.size())) {
    Emit(kHttpEventPlainText, &request, {"Error TH112: Out of memory"});
    return;
  }
  request.flags &= static_cast<std::uint16_t>(~kHttpTimedOut);
  request.idleTicks = 0;
  char* end = request.response.data() + request.received;
  if (bytes.data() != end) std::memmove(end, bytes.data(), bytes.size());
  request.received += static_cast<int>(bytes.size());
  bytesReceived_ += bytes.size();
  Emit(kHttpEventData, &request);
  if (request.headerDone) return;
  const std::string_view received = request.Received();
  if (const std::optional<std::size_t> end = FindHeaderEnd(received.substr(0, kMaxHeader + 4));
      end && *end <= kMaxHeader) {
    request.headerDone = 1;
    request.bodyOffset = static_cast<std::uint16_t>(*end);
    const ResponseHeader header = ParseResponseHeader(received.substr(0, *end));
    request.status = header.status;
    request.contentLength = header.contentLength;
    request.lastModified = header.lastModified;
  } else if (received.size() > kMaxHeader) {
    Fail(request, " Response header longer than " + std::to_string(kMaxHeader >> 10) + " KiB");
  }
}

void HttpClient::Complete(HttpRequest& request) {
  if (request.completed) return;
  request.completed = 1;
  CloseRequest(request);
  if (request.state != kHttpAbandoned) request.state = kHttpNew;
  request.flags |= kHttpDone;
  if (request.response.empty()) {
    request.flags |= kHttpFailed;
  } else if (request.status == 200) {
    // A body cut short of its stated length is a broken transfer, not a short file.
    const std::size_t body = request.Body().size();
    if (request.headerDone && request.contentLength > 0 && body < request.contentLength) {
      Report(&request, " Response ended after " + std::to_string(body) + " of " +
                           std::to_string(request.contentLength) + " bytes");
      request.flags |= kHttpFailed;
    }
  } else if (request.status == 301 || request.status == 302) {
    request.flags |= kHttpRedirect | kHttpFailed;
  } else if (request.status == 407 && ThroughHttpProxy(request) && basicCredentials_.empty() &&
             !proxyUser_.empty()) {
    // Only an HTTP proxy asks with 407; from anyone else it is the server's own answer.
    basicCredentials_ = Base64Encode(proxyUser_ + ":" + proxyPassword_);
    Restart(request);
    ++request.redirects;
    return;
  } else {
    request.flags |= kHttpFailed;
  }
  const int answer = Call(request);
  if (request.removed) return;
  if (answer == 2 && (request.flags & kHttpRedirect) && FollowRedirect(request)) return;
  if (request.removed || requests_.empty()) return;
  if (request.creating) {
    request.creating = 0;
    return;
  }
  Remove(request);
}

// The callback may run a loop of its own, where the request can be aborted or the client shut
// down; the request it is reading stays allocated until it returns.
int HttpClient::Call(HttpRequest& request) {
  if (!request.callback) return 0;
  ++request.inCallback;
  const int answer = request.callback(request, request.userValue);
  --request.inCallback;
  if (request.removed && request.inCallback == 0) FreeRemovedLater();
  return answer;
}

// Not while AbortAll walks its list, nor under a callback that is still running.
void HttpClient::FreeRemoved() {
  if (abortGuard_) return;
  std::erase_if(removed_, [](const std::unique_ptr<HttpRequest>& request) {
    return request->inCallback == 0;
  });
}

void HttpClient::FreeRemovedLater() {
  loop_.Post([this, alive = std::weak_ptr<int>(alive_)] {
    if (!alive.expired()) FreeRemoved();
  });
}

bool HttpClient::FollowRedirect(HttpRequest& request) {
  if (request.redirects >= kMaxRedirects) return false;
  const std::string target = RedirectTarget(request.Received(), request.url);
  if (target.empty() || target == request.url) {
    Remove(request);
    return false;
  }
  request.url = target;
  Restart(request);
  ++request.redirects;
  return true;
}

void HttpClient::Restart(HttpRequest& request) {
  request.idleTicks = 0;
  request.status = 0;
  request.flags = 0;
  request.lastModified.reset();
  request.received = 0;
  request.headerDone = 0;
  request.bodyOffset = 0;
  request.contentLength = 0;
  request.completed = 0;
  request.socksStep = 0;
  request.socksReply.clear();
  request.response.Free();
  request.state = kHttpNew;
  CloseRequest(request);
  request.socket = OpenSocket();
  if (request.socket < 0) {
    Report(&request, " Unable to get socket.");
    return;
  }
  if (!Route(request)) {  // a redirect to a host that would need the unusable proxy
    request.state = kHttpIdle;
    loop_.Post([this, alive = std::weak_ptr<int>(alive_), serial = request.serial] {
      if (!alive.expired()) RefuseForProxy(serial);
    });
    return;
  }
  LookUp(request);
}

void HttpClient::CloseRequest(HttpRequest& request) {
  if (request.state == kHttpResolving) {
    if (handleOneCount_ >= 2 || !request.lookupBuffer) {
      request.state = kHttpAbandoned;
    } else {
      resolver_.Cancel(request.lookupHandle);
    }
    request.lookupBuffer = false;
  }
  StopWatching(request);
  if (request.socket >= 0) close(request.socket);
  request.socket = -1;
}

void HttpClient::Remove(HttpRequest& request) {
  if (request.removed) return;
  CloseRequest(request);
  request.removed = true;
  Emit(kHttpEventLeaves, &request);
  for (auto it = requests_.begin(); it != requests_.end(); ++it) {
    if (it->get() != &request) continue;
    removed_.push_back(std::move(*it));
    requests_.erase(it);
    break;
  }
  // Callers up the stack may still look at the request; it goes on the next turn.
  FreeRemovedLater();
  if (requests_.empty()) {
    StopTimers();
    Emit(kHttpEventListEmpty, &request);  // the last one, still readable until the next turn
  }
}

void HttpClient::AbortAll() {
  if (abortGuard_) return;
  abortGuard_ = true;
  StopTimers();
  std::vector<HttpRequest*> snapshot;
  for (const auto& request : requests_) snapshot.push_back(request.get());
  for (HttpRequest* request : snapshot) {
    if (request->removed) continue;
    // A request whose callback is running has had its one call.
    if (request->inCallback == 0) {
      request->flags |= kHttpFailed | kHttpAborted;
      Call(*request);
    }
    Remove(*request);
  }
  abortGuard_ = false;
  FreeRemovedLater();
}

void HttpClient::Shutdown() {
  if (!requests_.empty()) AbortAll();
  StopTimers();
  FreeRemoved();
  userAgent_.clear();
  proxyHost_.clear();
  proxyUser_.clear();
  proxyPassword_.clear();
  basicCredentials_.clear();
  proxyType_ = 0;
  sink_ = nullptr;
  initialized_ = false;
}

HttpRequest* HttpClient::AtCursor() {
  if (requests_.empty()) return nullptr;
  if (cursor_ >= requests_.size()) cursor_ = 0;
  auto it = requests_.begin();
  std::advance(it, static_cast<long>(cursor_));
  ++cursor_;
  return it->get();
}

void HttpClient::WatchdogTick() {
  HttpRequest* request = AtCursor();
  if (!request) return;
  ++request->idleTicks;
  const std::uint16_t state = request->state;
  const bool early = state == kHttpNew || state == kHttpIdle || state == kHttpResolved ||
                     state == kHttpConnected || state == kHttpResolving;
  if (!request->completed && ((request->idleTicks > 1 && early) || request->idleTicks > 10)) {
    request->flags |= kHttpTimedOut | kHttpFailed;
    Complete(*request);
    request->idleTicks = 0;
    return;
  }
  if (state == kHttpIdle) {
    for (const auto& each : requests_) {
      if (each->state != kHttpIdle) continue;
      each->response.Free();
      each->received = 0;
      break;
    }
  }
}

void HttpClient::ActivityTick() {
  if (HttpRequest* request = AtCursor()) Emit(kHttpEventTick, request);
}

}  // namespace meridiana
