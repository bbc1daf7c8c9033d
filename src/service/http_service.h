#pragma once
// The service over HTTP (cpp-httplib): GET and HEAD of the routes in request_router.h, answered
// from the data folder's reply files.

#include <functional>
#include <memory>
#include <string>

#include "service/reply_files.h"

namespace meridiana::service {

inline constexpr int kDefaultPort = 8613;

// A connection has a worker thread while it sends a request or takes a reply; while it waits for
// its next request it waits in the poller, holding none. The pool bounds the requests served at
// once; more wait until a worker is free. A deployment for many users sits behind nginx.
struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = kDefaultPort;  // 0: any free port
  std::string dataFolder;
  int threads = 64;
  int keepAliveRequests = 1000;  // per connection, as nginx's default
  // How long an idle kept-alive connection is kept open for its next request.
  int keepAliveSeconds = 2;
  int readSeconds = 3;    // for a request's head to arrive whole, however slowly it comes
  int writeSeconds = 10;  // for a request's body and its reply, however slowly it is taken
  // Connections waiting for a worker; one more is answered 503 at once.
  int queueLength = 1024;
  // Called on the worker before the earthquakes ("quakes"), the aurora forecast ("aurora") or a
  // cloud list ("clouds") is answered from the folder, so that live data can be brought up to
  // date first; asked is true for a request with refresh=1 (the user's own Refresh).
  std::function<void(const std::string& kind, bool asked)> beforeReply;
};

class HttpService {
 public:
  explicit HttpService(ServeOptions options);
  ~HttpService();
  HttpService(const HttpService&) = delete;
  HttpService& operator=(const HttpService&) = delete;

  // Binds and listens; the port, or -1 with the reason in *error. Connections queue from here.
  int Bind(std::string* error);
  // Serves until Stop(); false when it could not.
  bool Run();
  // From any thread: ends Run() once the workers have finished their requests.
  void Stop();

 private:
  class Server;
  ServeOptions options_;
  ReplyFiles files_;
  std::unique_ptr<Server> server_;
};

// "HOST:PORT" or "[V6]:PORT" with a numeric host ("localhost" means 127.0.0.1) and a port
// 0 to 65535; false when it is neither.
bool ParseListenAddress(const std::string& text, std::string* host, int* port);

}  // namespace meridiana::service
