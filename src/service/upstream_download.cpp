#include "service/upstream_download.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <openssl/x509.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "service/data_folder.h"
#include "service/proxy_url.h"

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

long SecondsOf(Clock::duration d) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n'))
    text.remove_suffix(1);
  return std::string(text);
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// What one hop's reply says of itself, read from its head as curl hands it over line by line;
// the head's bound is kept here, the body's in the writer.
struct Hop {
  const DownloadRequest* request = nullptr;
  DownloadResult* result = nullptr;
  std::size_t headBytes = 0;
  bool headTooLarge = false;
  bool headDone = false;
  bool bodyTooLarge = false;
  std::string location;
  unsigned long long contentLength = 0;
  bool hasContentLength = false;
  // Where the first connection went, to tell a proxy's failure from the origin's.
  int connectedPort = 0;
  std::string connectedAddress;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  Hop& hop = *static_cast<Hop*>(user);
  const std::string_view line(data, size * count);
  hop.headBytes += line.size();
  if (hop.headBytes > kMaxResponseHead) {
    hop.headTooLarge = true;
    return 0;
  }
  DownloadResult& result = *hop.result;
  if (StartsNoCase(line, "HTTP/")) {  // a status line: after a 1xx reply, a new head begins
    const std::size_t blank = line.find(' ');
    result.status = blank == std::string_view::npos ? 0 : std::atoi(line.data() + blank + 1);
    result.contentType.clear();
    result.etag.clear();
    result.lastModified.clear();
    result.date.clear();
    hop.location.clear();
    hop.hasContentLength = false;
    return line.size();
  }
  if (line == "\r\n" || line == "\n") {
    if (result.status >= 100 && result.status < 200) return line.size();
    hop.headDone = true;
    // Only a 200's body is wanted; any other answer is complete with its head. A body
    // announced too large is refused before any of it is read.
    if (result.status != 200) return 0;
    if (hop.hasContentLength && hop.contentLength > hop.request->maxBytes) {
      hop.bodyTooLarge = true;
      return 0;
    }
    return line.size();
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return line.size();
  const std::string_view name = line.substr(0, colon);
  const auto is = [&name](std::string_view wanted) {
    return name.size() == wanted.size() && StartsNoCase(name, wanted);
  };
  const std::string value = Trimmed(line.substr(colon + 1));
  if (is("Content-Type")) result.contentType = value;
  if (is("ETag")) result.etag = value;
  if (is("Last-Modified")) result.lastModified = value;
  if (is("Date")) result.date = value;
  if (is("Location")) hop.location = value;
  if (is("Content-Length")) {
    hop.hasContentLength = true;
    hop.contentLength = std::strtoull(value.c_str(), nullptr, 10);
  }
  return line.size();
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  Hop& hop = *static_cast<Hop*>(user);
  const std::size_t length = size * count;
  std::string& body = hop.result->body;
  if (body.size() + length > hop.request->maxBytes) {
    hop.bodyTooLarge = true;
    return 0;
  }
  body.append(data, length);
  return length;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
  Hop& hop = *static_cast<Hop*>(user);
  if (hop.connectedPort == 0) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->family == AF_INET) {
      const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address->addr);
      inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
      hop.connectedPort = ntohs(v4->sin_port);
    } else if (address->family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address->addr);
      inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
      hop.connectedPort = ntohs(v6->sin6_port);
    }
    hop.connectedAddress = text;
  }
  return ::socket(address->family, address->socktype, address->protocol);
}

// Whether the first connection went to the proxy (its port, and its address when numeric).
bool WentToProxy(const Hop& hop, const std::string& proxyUrl) {
  CURLU* parts = curl_url();
  bool toProxy = false;
  if (curl_url_set(parts, CURLUPART_URL, proxyUrl.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* port = nullptr;
    char* host = nullptr;
    long number = 1080;  // curl's port for a proxy that names none
    if (curl_url_get(parts, CURLUPART_PORT, &port, 0) == CURLUE_OK) number = std::atol(port);
    toProxy = number == hop.connectedPort;
    if (toProxy && curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
      std::string name = host;
      if (name.size() > 2 && name.front() == '[') name = name.substr(1, name.size() - 2);
      unsigned char ignored[sizeof(in6_addr)];
      if (inet_pton(AF_INET, name.c_str(), ignored) == 1 ||
          inet_pton(AF_INET6, name.c_str(), ignored) == 1)
        toProxy = name == hop.connectedAddress;
    }
    curl_free(port);
    curl_free(host);
  }
  curl_url_cleanup(parts);
  return toProxy;
}

// A Location against the address it came from, as RFC 3986 resolves references; empty when it
// is not a URL.
std::string Resolve(const std::string& base, const std::string& location) {
  CURLU* parts = curl_url();
  std::string out;
  char* text = nullptr;
  if (curl_url_set(parts, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(parts, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_URL, &text, 0) == CURLUE_OK)
    out = text;
  curl_free(text);
  curl_url_cleanup(parts);
  return out;
}

// The words for what curl could not do; the proxy, when the failure was its, named without
// its credentials.
std::string Cause(CURLcode code, CURL* curl, const char* detail, bool viaProxy,
                  const std::string& proxy, const std::string& host) {
  const std::string through = viaProxy ? " through the proxy " + proxy : "";
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return "cannot connect" + through;
    case CURLE_COULDNT_RESOLVE_HOST:
      return "cannot find the address of " + host;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "cannot find the address of the proxy " + proxy;
    case CURLE_PEER_FAILED_VERIFICATION: {
      // curl checks the name itself, after OpenSSL has taken the chain.
      long verify = X509_V_OK;
      curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verify);
      const bool chainTaken = verify == X509_V_OK || std::strstr(detail, "subject name") != nullptr;
      return chainTaken ? "the certificate does not name " + host
                                 : std::string("certificate refused: ") +
                                       X509_verify_cert_error_string(verify);
    }
    case CURLE_SSL_CONNECT_ERROR:
      return "the TLS handshake failed" + through;
    case CURLE_SSL_CACERT_BADFILE:
      return "cannot load the trusted certificates";
    case CURLE_GOT_NOTHING:
      return "the server closed the connection without answering" + through;
    case CURLE_PARTIAL_FILE:
      return "the body ended before its stated length";
    case CURLE_RECV_ERROR:
      return "the connection broke while reading" + through;
    case CURLE_SEND_ERROR:
      return "the connection broke while writing" + through;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return std::string("not an HTTP answer") + through;
    case CURLE_PROXY:
      // SOCKS: curl's text names the step that failed, never the credentials.
      return "the proxy " + proxy + " failed" + (*detail != '\0' ? ": " + std::string(detail) : "");
    default:
      return std::string(curl_easy_strerror(code)) + through;
  }
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

}  // namespace

DownloadResult Download(const DownloadRequest& request) {
  InitCurlOnce();
  DownloadResult result;
  const Clock::time_point until = Clock::now() + request.deadline;
  const std::string withinText =
      "not downloaded within " + std::to_string(SecondsOf(request.deadline)) + " s";
  std::string url = request.url;
  bool wasHttps = false;
  const auto fail = [&result](const std::string& where, const std::string& why) {
    result.outcome = DownloadResult::Outcome::kFailed;
    result.problem = where + ": " + why;
    return result;
  };
  const std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!multi || !curl) return fail(url, "cannot start a download");
  // A stop wakes the wait below at once.
  const std::stop_callback wake(request.stop, [&multi] { curl_multi_wakeup(multi.get()); });
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
    if (left <= Clock::duration::zero()) return fail(url, withinText);

    CURL* easy = curl.get();
    curl_easy_reset(easy);
    Hop state;
    state.request = &request;
    state.result = &result;
    char detail[CURL_ERROR_SIZE] = {};
    const std::string agent = "meridiana-service/" + ProgramVersion();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &state);
    // Redirects are followed here, hop by hop, so that each is checked as the first address.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(std::max<long long>(
                         1, std::chrono::duration_cast<std::chrono::milliseconds>(left).count())));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, request.lowSpeedBytes);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.lowSpeedTime.count()));
    // Certificates are checked against the system's store; OpenSSL's variables name another.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* file = std::getenv("SSL_CERT_FILE"); file != nullptr && *file != '\0')
      curl_easy_setopt(easy, CURLOPT_CAINFO, file);
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir != nullptr && *dir != '\0')
      curl_easy_setopt(easy, CURLOPT_CAPATH, dir);
    // The proxy is given apart from its credentials, which go to it alone; curl leaves the
    // hosts that no_proxy names direct, and tunnels https through CONNECT.
    const std::optional<ProxyUrl> proxy = EnvironmentProxy(split.https);
    if (proxy) {
      curl_easy_setopt(easy, CURLOPT_PROXY, proxy->url.c_str());
      if (!proxy->user.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy->user.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy->password.c_str());
      }
      curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    } else {
      curl_easy_setopt(easy, CURLOPT_PROXY, "");
    }
    curl_slist* headers = nullptr;
    if (!request.ifNoneMatch.empty())
      headers = curl_slist_append(headers, ("If-None-Match: " + request.ifNoneMatch).c_str());
    if (!request.ifModifiedSince.empty())
      headers =
          curl_slist_append(headers, ("If-Modified-Since: " + request.ifModifiedSince).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    curl_multi_add_handle(multi.get(), easy);
    CURLcode code = CURLE_OK;
    for (int running = 1; running > 0 && !request.stop.stop_requested();) {
      if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
      if (running > 0) curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued))
      if (message->msg == CURLMSG_DONE) code = message->data.result;
    curl_multi_remove_handle(multi.get(), easy);
    curl_slist_free_all(headers);

    if (request.stop.stop_requested()) return fail(url, "stopped");
    if (state.headTooLarge || (code == CURLE_OUT_OF_MEMORY && !state.headDone))
      return fail(url, "response head larger than " + std::to_string(kMaxResponseHead >> 10) +
                           " KiB");
    if (state.bodyTooLarge)
      return fail(url, "larger than " + std::to_string(request.maxBytes) + " bytes");
    if (code == CURLE_OPERATION_TIMEDOUT) {
      result.timedOut = true;
      if (Clock::now() >= until - std::chrono::milliseconds(50)) return fail(url, withinText);
      return fail(url, "too slow: under " + std::to_string(request.lowSpeedBytes) +
                           " bytes a second for " + std::to_string(request.lowSpeedTime.count()) +
                           " s");
    }
    const bool viaProxy = proxy && WentToProxy(state, proxy->url);
    long connectStatus = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    const int status = result.status;
    // Some proxies (tinyproxy) refuse wrong credentials with 401 rather than 407.
    if (proxy && (connectStatus == 407 || connectStatus == 401 || (status == 407 && viaProxy)))
      return fail(url, "the proxy " + proxy->url +
                           (proxy->user.empty() ? " asks for a user name and password"
                                                : " refused its user name and password"));
    if (proxy && connectStatus != 0 && connectStatus != 200)
      return fail(url, "the proxy " + proxy->url + " refused the tunnel with status " +
                           std::to_string(connectStatus));
    // The writer's stop after a head that was all we wanted is no failure.
    const bool ended = code == CURLE_OK || (code == CURLE_WRITE_ERROR && state.headDone);
    if (!ended) {
      result.status = state.headDone ? status : 0;
      if (proxy && std::strstr(detail, "proxy scheme") != nullptr)
        return fail(url, "the proxy " + proxy->url + " is of a kind downloads cannot use");
      return fail(url, Cause(code, easy, detail, viaProxy, proxy ? proxy->url : "", split.host));
    }
    if (status == 304) {
      result.body.clear();
      result.outcome = DownloadResult::Outcome::kNotModified;
      return result;
    }
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
      if (state.location.empty())
        return fail(url, "status " + std::to_string(status) + " without Location");
      if (hop >= kMaxRedirects)
        return fail(url, "more than " + std::to_string(kMaxRedirects) + " redirects");
      const std::string next = Resolve(url, state.location);
      if (next.empty()) return fail(url, "a redirect to an address that is not one");
      url = next;
      continue;
    }
    if (status != 200) return fail(url, "status " + std::to_string(status));
    result.outcome = DownloadResult::Outcome::kBody;
    return result;
  }
}

bool IsDownloadableUrl(const std::string& url) {
  SplitUrl split;
  return Split(url, &split);
}

long long ReplyPresent(const DownloadResult& result) {
  const long long now = static_cast<long long>(std::time(nullptr));
  const long long date = ParseHttpDate(result.date);
  return date > 0 && date < now ? date : now;
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
