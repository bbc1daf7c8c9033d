#include "service/http_service.h"

#include <httplib.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdlib>

#include "service/data_folder.h"
#include "service/reply_documents.h"
#include "service/request_router.h"

namespace meridiana::service {
namespace {

// The library's default backlog of 5 drops connections under a burst of short ones.
constexpr int kListenBacklog = 1024;

std::shared_ptr<const std::string> Document(std::string text) {
  return std::make_shared<const std::string>(std::move(text));
}

}  // namespace

// The library keeps its listening socket to itself; this reaches it to widen the backlog.
class HttpService::Server : public httplib::Server {
 public:
  bool WidenBacklog() { return ::listen(svr_sock_, kListenBacklog) == 0; }
};

HttpService::HttpService(ServeOptions options)
    : options_(std::move(options)),
      files_(options_.dataFolder),
      server_(std::make_unique<Server>()) {
  const int threads = options_.threads;
  // The library owns and deletes the queue it is handed.
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server_->set_keep_alive_max_count(static_cast<std::size_t>(options_.keepAliveRequests));
  server_->set_keep_alive_timeout(options_.keepAliveSeconds);
  server_->set_read_timeout(options_.readSeconds, 0);
  server_->set_write_timeout(5, 0);
  // Headers and body go out in separate writes; without this each reply waits for a delayed
  // acknowledgement.
  server_->set_tcp_nodelay(true);
  server_->set_payload_max_length(64 * 1024);

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
  if (port == 0) {
    port = server_->bind_to_any_port(host, AI_NUMERICHOST);
    if (port < 0) {
      *error = "cannot listen on " + host;
      return -1;
    }
  } else if (!server_->bind_to_port(host, port, AI_NUMERICHOST)) {
    *error = "cannot listen on " + host + ":" + std::to_string(port);
    return -1;
  }
  server_->WidenBacklog();
  return port;
}

bool HttpService::Run() { return server_->listen_after_bind(); }

void HttpService::Stop() { server_->stop(); }

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
