#include "service/upstream_download.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "service/connect_relay.h"
#include "service/data_folder.h"
#include "service/upstream_proxy.h"

namespace meridiana::service {
namespace {

using Clock = std::chrono::steady_clock;

struct SplitUrl {
  bool https = false;
  std::string host;  // as written, "[::1]" with its brackets
  int port = 0;
  std::string schemeHostPort;
  std::string pathAndQuery;
};

// "http://host[:port][/path]" or https; false for anything else, and for addresses that could
// smuggle text into the request (blanks, line breaks, user names).
bool Split(const std::string& url, SplitUrl* out) {
  std::size_t hostStart = 0;
  if (url.rfind("http://", 0) == 0) {
    hostStart = 7;
  } else if (url.rfind("https://", 0) == 0) {
    hostStart = 8;
    out->https = true;
  } else {
    return false;
  }
  if (url.find_first_of(" \t\r\n") != std::string::npos) return false;
  std::size_t pathStart = url.find_first_of("/?#", hostStart);
  const std::string authority = url.substr(hostStart, pathStart - hostStart);
  if (authority.empty() || authority.find('@') != std::string::npos) return false;
  std::string host = authority;
  std::string port;
  if (host[0] == '[') {
    const std::size_t close = host.find(']');
    if (close == std::string::npos) return false;
    if (close + 1 < host.size() && host[close + 1] == ':') port = host.substr(close + 2);
    host = host.substr(0, close + 1);
  } else if (const std::size_t colon = host.find(':'); colon != std::string::npos) {
    port = host.substr(colon + 1);
    host = host.substr(0, colon);
  }
  if (host.empty() || host == "[]") return false;
  out->host = host;
  out->port = out->https ? 443 : 80;
  if (!port.empty()) {
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (*end != '\0' || number < 1 || number > 65535) return false;
    out->port = static_cast<int>(number);
  }
  out->schemeHostPort = url.substr(0, pathStart);
  std::string rest = pathStart == std::string::npos ? std::string() : url.substr(pathStart);
  if (const std::size_t hash = rest.find('#'); hash != std::string::npos) rest.resize(hash);
  if (rest.empty() || rest[0] != '/') rest.insert(0, 1, '/');
  out->pathAndQuery = rest;
  return true;
}

// A Location header against the address it came from.
std::string Resolve(const SplitUrl& base, const std::string& location) {
  if (location.rfind("http://", 0) == 0 || location.rfind("https://", 0) == 0) return location;
  std::string out = base.https ? "https:" : "http:";
  if (location.rfind("//", 0) == 0) return out + location;
  out = base.schemeHostPort;
  if (!location.empty() && location[0] == '/') return out + location;
  std::string directory = base.pathAndQuery.substr(0, base.pathAndQuery.find('?'));
  directory.resize(directory.rfind('/') + 1);
  std::string relative = directory;
  relative += location;
  // "." and ".." segments of the path, as a browser resolves them.
  const std::size_t queryAt = std::min(relative.find('?'), relative.size());
  std::vector<std::string> segments;
  std::size_t at = 1;
  while (at <= queryAt) {
    std::size_t end = std::min(relative.find('/', at), queryAt);
    const std::string segment = relative.substr(at, end - at);
    const bool last = end == queryAt;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (segment == ".") {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(segment);
    }
    at = end + 1;
  }
  for (const std::string& segment : segments) {
    out += '/';
    out += segment;
  }
  out += relative.substr(queryAt);
  return out;
}

// Numeric loopback addresses and localhost only: "127.0.0.1.example" is a name to look up.
bool IsLoopbackHost(const std::string& host) {
  in_addr v4{};
  return host == "localhost" || host == "[::1]" ||
         (inet_pton(AF_INET, host.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127);
}

// Tests export MERIDIANA_FORBID_DEFAULT_SOURCES so that nothing they start can reach past this
// machine; each refusal is noted in the file it names, which the test run then looks for.
bool Forbidden(const std::string& url, const SplitUrl& split) {
  const char* log = std::getenv("MERIDIANA_FORBID_DEFAULT_SOURCES");
  if (log == nullptr || *log == '\0' || IsLoopbackHost(split.host)) return false;
  if (std::FILE* file = std::fopen(log, "a")) {
    std::fprintf(file, "%s\n", url.c_str());
    std::fclose(file);
  }
  return true;
}

// Shuts the client's socket at the deadline or at a stop, which wakes any read, write or TLS
// handshake; the client's own time-outs are per read.
class Watchdog {
 public:
  Watchdog(httplib::Client& client, std::stop_token stop, Clock::time_point until)
      : thread_([this, &client, stop, until] {
          std::unique_lock lock(mutex_);
          if (wake_.wait_until(lock, stop, until, [this] { return done_; })) return;
          fired_ = true;
          // The socket may not exist yet (still connecting): ask again until the request ends.
          while (!done_) {
            lock.unlock();
            client.stop();
            lock.lock();
            wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return done_; });
          }
        }) {}
  ~Watchdog() { Finish(); }
  void Finish() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  bool fired() const { return fired_; }

 private:
  std::mutex mutex_;
  std::condition_variable_any wake_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

std::string ErrorText(httplib::Error error) {
  switch (error) {
    case httplib::Error::Connection:
      return "cannot connect";
    case httplib::Error::ConnectionTimeout:
      return "no connection in time";
    case httplib::Error::Read:
      return "the connection broke while reading";
    case httplib::Error::Write:
      return "the connection broke while writing";
    case httplib::Error::SSLConnection:
      return "the TLS handshake failed";
    case httplib::Error::SSLLoadingCerts:
      return "cannot load the trusted certificates";
    default:
      return httplib::to_string(error);
  }
}

long SecondsOf(Clock::duration d) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
}

}  // namespace

DownloadResult Download(const DownloadRequest& request) {
  DownloadResult result;
  const Clock::time_point until = Clock::now() + request.deadline;
  std::string url = request.url;
  bool wasHttps = false;
  const auto fail = [&result](const std::string& where, const std::string& why) {
    result.outcome = DownloadResult::Outcome::kFailed;
    result.problem = where + ": " + why;
    return result;
  };
  for (int hop = 0;; ++hop) {
    result = DownloadResult{};
    result.finalUrl = url;
    SplitUrl split;
    if (!Split(url, &split)) return fail(url, "not an http:// or https:// address");
    if (wasHttps && !split.https) return fail(url, "an https address redirected to plain http");
    wasHttps = split.https;
    if (Forbidden(url, split)) return fail(url, "default sources are forbidden here");
    if (request.stop.stop_requested()) return fail(url, "stopped");
    const Clock::duration left = until - Clock::now();
    if (left <= Clock::duration::zero())
      return fail(url,
                  "not downloaded within " + std::to_string(SecondsOf(request.deadline)) + " s");

    httplib::Client client(split.schemeHostPort);
    if (!client.is_valid()) return fail(url, "not a usable address");
    // Each hop by its own host: a redirect may lead to one that no_proxy names.
    const ProxyChoice proxy =
        ProxyForDownload(ProcessEnvironment, split.https, split.host, split.port);
    if (!proxy.problem.empty()) return fail(url, proxy.problem);
    std::optional<ConnectRelay> relay;
    if (proxy.proxy && split.https) {
      relay.emplace(*proxy.proxy, split.host + ":" + std::to_string(split.port), until,
                    request.stop);
      if (relay->port() == 0) return fail(url, "cannot open a tunnel to " + proxy.proxy->shown);
      client.set_proxy("127.0.0.1", relay->port());
    } else if (proxy.proxy) {
      client.set_proxy(proxy.proxy->host, proxy.proxy->port);
      if (!proxy.proxy->user.empty())
        client.set_proxy_basic_auth(proxy.proxy->user, proxy.proxy->password);
    }
    // Certificates are checked against the system's store, which OpenSSL reads from
    // SSL_CERT_FILE and SSL_CERT_DIR when they are set.
    client.enable_server_certificate_verification(true);
    client.set_follow_location(false);
    const auto perRead = std::min<Clock::duration>(left, std::chrono::seconds(30));
    client.set_connection_timeout(std::min<Clock::duration>(perRead, std::chrono::seconds(10)));
    client.set_read_timeout(perRead);
    client.set_write_timeout(perRead);
    httplib::Headers headers{{"User-Agent", "meridiana-service/" + ProgramVersion()}};
    if (!request.ifNoneMatch.empty()) headers.emplace("If-None-Match", request.ifNoneMatch);
    if (!request.ifModifiedSince.empty())
      headers.emplace("If-Modified-Since", request.ifModifiedSince);

    std::string location;
    bool tooLarge = false;
    Watchdog watchdog(client, request.stop, until);
    const httplib::Result reply = client.Get(
        split.pathAndQuery, headers,
        [&](const httplib::Response& response) {
          result.status = response.status;
          result.contentType = response.get_header_value("Content-Type");
          result.etag = response.get_header_value("ETag");
          result.lastModified = response.get_header_value("Last-Modified");
          location = response.get_header_value("Location");
          // A body announced too large is refused before any of it is read.
          if (response.status == 200 && response.has_header("Content-Length") &&
              std::strtoull(response.get_header_value("Content-Length").c_str(), nullptr, 10) >
                  request.maxBytes)
            tooLarge = true;
          return response.status == 200 && !tooLarge;
        },
        [&](const char* data, std::size_t length) {
          if (result.body.size() + length > request.maxBytes) {
            tooLarge = true;
            return false;
          }
          result.body.append(data, length);
          return true;
        });
    watchdog.Finish();

    if (request.stop.stop_requested()) return fail(url, "stopped");
    if (watchdog.fired() || Clock::now() >= until)
      return fail(url,
                  "not downloaded within " + std::to_string(SecondsOf(request.deadline)) + " s");
    if (relay && !relay->problem().empty()) return fail(url, relay->problem());
    if (tooLarge) return fail(url, "larger than " + std::to_string(request.maxBytes) + " bytes");
    const int status = result.status;
    if (status == 304) {
      result.body.clear();
      result.outcome = DownloadResult::Outcome::kNotModified;
      return result;
    }
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
      if (location.empty())
        return fail(url, "status " + std::to_string(status) + " without Location");
      if (hop >= kMaxRedirects)
        return fail(url, "more than " + std::to_string(kMaxRedirects) + " redirects");
      url = Resolve(split, location);
      continue;
    }
    if (status == 407 && proxy.proxy)
      return fail(url, "the proxy " + proxy.proxy->shown +
                           (proxy.proxy->user.empty() ? " asks for a user name and password"
                                                      : " refused its user name and password"));
    if (status != 0 && status != 200) return fail(url, "status " + std::to_string(status));
    if (!reply) {
      if (reply.error() == httplib::Error::SSLServerVerification) {
        const long verify = client.get_openssl_verify_result();
        return fail(url, verify == X509_V_OK ? "the certificate does not name " + split.host
                                             : std::string("certificate refused: ") +
                                                   X509_verify_cert_error_string(verify));
      }
      return fail(url, ErrorText(reply.error()) +
                           (proxy.proxy ? " through the proxy " + proxy.proxy->shown : ""));
    }
    result.outcome = DownloadResult::Outcome::kBody;
    return result;
  }
}

bool IsDownloadableUrl(const std::string& url) {
  SplitUrl split;
  return Split(url, &split);
}

long long ParseHttpDate(const std::string& text) {
  // The one form servers must send (RFC 9110's IMF-fixdate).
  std::tm parts{};
  const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
  if (end == nullptr || *end != '\0') return 0;
  const long long seconds = timegm(&parts);
  return seconds > 0 ? seconds : 0;
}

}  // namespace meridiana::service
