#include "service/http_service.h"

#include <httplib.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "service/connection.h"
#include "service/data_folder.h"
#include "service/reply_documents.h"
#include "service/request_router.h"

namespace meridiana::service {
namespace {

// The library's default backlog of 5 drops connections under a burst of short ones.
constexpr int kListenBacklog = 1024;
// How long a worker waits on a kept-alive connection for its next request, while workers are
// spare, before it hands the connection to the poller.
constexpr std::chrono::milliseconds kLinger{5};

std::shared_ptr<const std::string> Document(std::string text) {
  return std::make_shared<const std::string>(std::move(text));
}

// An answer the library never sees the request of: the status and its ERROR document.
void WriteError(ConnectionStream& stream, int status, const char* reason, const char* text) {
  const std::string body = ErrorDocument(status, text);
  const std::string reply =
      "HTTP/1.1 " + std::to_string(status) + " " + reason +
      "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body;
  std::size_t sent = 0;
  while (sent < reply.size()) {
    const ssize_t n = stream.write(reply.data() + sent, reply.size() - sent);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
  stream.Flush();
}

// Reads and drops what the client still sends, for a while, so that closing does not reset the
// connection before the client has read the answer; nothing of it is kept.
void DrainBeforeClose(int socket, std::chrono::milliseconds time) {
  ::shutdown(socket, SHUT_WR);
  const auto until = std::chrono::steady_clock::now() + time;
  std::size_t dropped = 0;
  char buffer[16384];
  while (dropped < (std::size_t{4} << 20)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd fd{socket, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return;
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) return;
    dropped += static_cast<std::size_t>(n);
  }
}

// Why bind or listen failed, in words, after the address.
std::string BindProblem(int error) {
  if (error == EADDRINUSE) return ": address in use";
  if (error == 0) return "";
  return std::string(": ") + std::strerror(error);
}

}  // namespace

// The library keeps its listening socket to itself; this reaches it to widen the backlog and to
// accept on it from the workers themselves. Each connection is read here up to a whole request
// head, within one deadline and a size bound, before the library routes and answers it.
class HttpService::Server : public httplib::Server {
 public:
  explicit Server(const ServeOptions& options)
      : options_(options),
        workers_(static_cast<std::size_t>(options.threads),
                 static_cast<std::size_t>(options.queueLength), options.keepAliveRequests) {}
  bool WidenBacklog() {
    // A connection is taken once its request has begun to arrive, so a worker does not wait
    // for it; one that stays silent is taken after a second.
    const int seconds = 1;
    ::setsockopt(svr_sock_, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds);
    return ::listen(svr_sock_, kListenBacklog) == 0;
  }

  bool Serve() {
    const int listening = svr_sock_;
    if (listening == INVALID_SOCKET) return false;
    workers_.Run(listening, [this](Connection& connection) { return Answer(connection); });
    ::close(svr_sock_.exchange(INVALID_SOCKET));
    return true;
  }
  void Halt() { workers_.Stop(); }

 private:
  using Connection = AcceptingWorkers::Connection;
  using After = AcceptingWorkers::After;

  After Answer(Connection& connection) {
    ConnectionStream stream(connection.fd, [this] { return workers_.stopping(); });
    const After after = Converse(stream, connection);
    stream.Flush();
    return after;
  }

  // Answers the requests the connection has sent, and hands it back to wait for the next one
  // once it has sent nothing more: an idle client waits in the poller, not on this worker.
  After Converse(ConnectionStream& stream, Connection& connection) {
    using Clock = std::chrono::steady_clock;
    const std::chrono::seconds headTime(options_.readSeconds);
    const std::chrono::seconds replyTime(options_.writeSeconds);
    if (AcceptingWorkers::refusing()) {
      // On the accepting thread: a short answer that a new socket's buffer always takes.
      stream.SetDeadline(Clock::now() + std::chrono::milliseconds(100));
      WriteError(stream, 503, "Service Unavailable", "Too many connections, try again");
      DrainBeforeClose(stream.socket(), std::chrono::milliseconds(0));
      return After::kClose;
    }
    for (; connection.requestsLeft > 0; --connection.requestsLeft) {
      const bool first = connection.fresh;
      const Clock::time_point now = Clock::now();
      // The first request has the head time from the connection on; a kept-alive connection
      // waits idle for the next one, whose head then has the head time from its first byte.
      const Clock::time_point idleUntil =
          first ? connection.connected + headTime
                : now + std::chrono::seconds(options_.keepAliveSeconds);
      const Clock::time_point latestEnd =
          first ? connection.connected + headTime : Clock::time_point::max();
      // A busy client's next request comes within a moment, and is served here while workers
      // are spare; otherwise the connection waits in the poller.
      const Clock::time_point lingerUntil =
          first || !workers_.spare() ? now : std::min(idleUntil, now + kLinger);
      switch (stream.ReadHead(lingerUntil, headTime, latestEnd, replyTime)) {
        case ConnectionStream::Head::kComplete:
          break;
        case ConnectionStream::Head::kTooLarge:
          WriteError(stream, 431, "Request Header Fields Too Large",
                     "The request header is larger than 16 KiB");
          DrainBeforeClose(stream.socket(), std::chrono::seconds(1));
          return After::kClose;
        case ConnectionStream::Head::kTimedOut:
          WriteError(stream, 408, "Request Timeout", "The request did not arrive in time");
          return After::kClose;
        case ConnectionStream::Head::kIdle:
          if (Clock::now() >= idleUntil) return After::kClose;
          connection.idleUntil = idleUntil;
          return After::kWait;
        case ConnectionStream::Head::kClosed:
        case ConnectionStream::Head::kStopping:
          return After::kClose;
      }
      connection.fresh = false;
      bool closed = false;
      const bool answered = process_request(stream, connection.requestsLeft == 1, closed, nullptr);
      // The reply leaves whole before the connection waits for another request, or closes.
      if (!stream.Flush() || !answered || closed) return After::kClose;
    }
    return After::kClose;
  }

  ServeOptions options_;
  AcceptingWorkers workers_;
};

HttpService::HttpService(ServeOptions options)
    : options_(std::move(options)),
      files_(options_.dataFolder),
      server_(std::make_unique<Server>(options_)) {
  server_->set_keep_alive_max_count(static_cast<std::size_t>(options_.keepAliveRequests));
  server_->set_keep_alive_timeout(options_.keepAliveSeconds);
  server_->set_read_timeout(options_.readSeconds, 0);
  server_->set_write_timeout(options_.writeSeconds, 0);
  // A reply larger than the stream holds goes out in several writes; without this its last one
  // waits for a delayed acknowledgement.
  server_->set_tcp_nodelay(true);
  server_->set_payload_max_length(64 * 1024);
  // The library's default adds SO_REUSEPORT, with which a second copy on the same port would
  // listen too and take a share of the requests; SO_REUSEADDR alone lets a restart bind while
  // the last run's connections linger, and a port in use still fails.
  server_->set_socket_options([](int socket) {
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });

  static const auto notFound = Document(NotFoundDocument());
  static const auto methodNotAllowed =
      Document(ErrorDocument(405, "Only GET and HEAD are answered"));
  server_->set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        std::shared_ptr<const std::string> body;
        std::string_view type = kXmlType;
        int status = 200;
        if (request.method != "GET" && request.method != "HEAD") {
          status = 405;
          body = methodNotAllowed;
        } else {
          const std::size_t mark = request.target.find('?');
          const std::string_view query = mark == std::string::npos
                                             ? std::string_view()
                                             : std::string_view(request.target).substr(mark + 1);
          const Route route = RouteRequest(request.path, query);
          if (options_.beforeReply) {
            const bool asked = QueryArgument(query, "refresh") == "1";
            if (route.file == kQuakesFile) options_.beforeReply("quakes", asked);
            if (route.file == kAuroraFile) options_.beforeReply("aurora", asked);
            if (route.file.rfind("clouds/list-", 0) == 0) options_.beforeReply("clouds", asked);
          }
          status = route.status;
          type = route.contentType;
          body = files_.Get(route.file);
          if (!body && route.file == kNotFoundFile) body = notFound;
          if (!body && route.file.rfind(kErrorsFolder, 0) == 0) {
            // An old data folder without the error documents still gets their text.
            if (route.file == kBadTimeFile) body = Document(BadTimeDocument());
            if (route.file == kBadCountFile) body = Document(BadCountDocument());
            if (route.file == kBadRequestFile) body = Document(BadRequestDocument());
          }
          if (!body) {
            status = 404;
            type = kXmlType;
            body = files_.Get(std::string(kNotFoundFile));
            if (!body) body = notFound;
          }
        }
        response.status = status;
        // An HTTP/1.0 client reads until the connection closes, which the library does unless
        // the client asked for "Keep-Alive" (in that spelling); then it must be told it stays open.
        if (request.version == "HTTP/1.0")
          response.set_header("Connection", request.get_header_value("Connection") == "Keep-Alive"
                                                ? "keep-alive"
                                                : "close");
        // A sized provider sends the held bytes without copying them, and the library leaves its
        // content alone (no compression, which would make replies differ from a plain web
        // server's).
        response.set_content_provider(
            body->size(), std::string(type),
            [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
              return sink.write(body->data() + offset, length);
            });
        return httplib::Server::HandlerResponse::Handled;
      });
}

HttpService::~HttpService() = default;

int HttpService::Bind(std::string* error) {
  // Numeric hosts only: the service never asks a name server where to listen.
  const std::string host = options_.host == "localhost" ? "127.0.0.1" : options_.host;
  int port = options_.port;
  errno = 0;
  if (port == 0) {
    port = server_->bind_to_any_port(host, AI_NUMERICHOST);
    if (port < 0) {
      *error = "cannot listen on " + host + BindProblem(errno);
      return -1;
    }
  } else if (!server_->bind_to_port(host, port, AI_NUMERICHOST)) {
    *error = "cannot listen on " + host + ":" + std::to_string(port) + BindProblem(errno);
    return -1;
  }
  server_->WidenBacklog();
  return port;
}

bool HttpService::Run() { return server_->Serve(); }

void HttpService::Stop() { server_->Halt(); }

bool ParseListenAddress(const std::string& text, std::string* host, int* port) {
  std::string hostPart;
  std::string portPart;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find("]:");
    if (close == std::string::npos) return false;
    hostPart = text.substr(1, close - 1);
    portPart = text.substr(close + 2);
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || text.find(':') != colon) return false;
    hostPart = text.substr(0, colon);
    portPart = text.substr(colon + 1);
  }
  if (hostPart.empty() || portPart.empty() || portPart.size() > 5) return false;
  for (const char c : portPart)
    if (c < '0' || c > '9') return false;
  const int value = std::atoi(portPart.c_str());
  if (value > 65535) return false;
  if (hostPart != "localhost") {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (::getaddrinfo(hostPart.c_str(), nullptr, &hints, &found) != 0) return false;
    ::freeaddrinfo(found);
  }
  *host = hostPart;
  *port = value;
  return true;
}

}  // namespace meridiana::service
