#pragma once
// One download from an upstream source (an earthquake feed, a cloud picture), as the service's
// fetchers need it, on libcurl: TLS certificates verified against the system's store
// (SSL_CERT_FILE and SSL_CERT_DIR honoured), an https address never followed to http, at most
// five redirects, one deadline for the whole download, a low-speed limit, bounds on the response
// head and the body, the proxy the environment names (its credentials never shown),
// conditional requests, and a stop that ends it at once.

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>

namespace meridiana::service {

inline constexpr int kMaxRedirects = 5;
inline constexpr std::size_t kMaxResponseHead = std::size_t{64} << 10;

struct DownloadRequest {
  std::string url;  // http:// or https://, a numeric host or a name
  std::size_t maxBytes = std::size_t{64} << 20;
  std::chrono::steady_clock::duration deadline = std::chrono::seconds(60);
  // A download that moves fewer bytes a second than this, over lowSpeedTime, fails: a source
  // that drips must not hold its caller until the deadline.
  long lowSpeedBytes = 1024;
  std::chrono::seconds lowSpeedTime{10};
  // Of the copy held, for a conditional request; empty when none is held.
  std::string ifNoneMatch;
  std::string ifModifiedSince;
  std::stop_token stop;
};

struct DownloadResult {
  enum class Outcome { kBody, kNotModified, kFailed };
  Outcome outcome = Outcome::kFailed;
  int status = 0;  // of the last reply, 0 when none came
  std::string body;
  std::string contentType;
  std::string etag;
  std::string lastModified;  // as sent, an HTTP date
  std::string date;          // the reply's Date, the server's clock
  std::string finalUrl;      // after redirects
  std::string problem;       // kFailed: one line naming the address and the reason
  bool timedOut = false;     // kFailed by the deadline or the low-speed limit
};

DownloadResult Download(const DownloadRequest& request);

// Whether Download takes the address: http:// or https://, a host, no blanks or user name.
bool IsDownloadableUrl(const std::string& url);

// How far a source's times may run ahead of its clock before they are not believed.
inline constexpr long long kClockSkewSeconds = 300;

// The present as the reply tells it, in seconds since 1970: its Date, or the service's own
// clock when it sent none or one ahead of that clock.
long long ReplyPresent(const DownloadResult& result);

// Seconds since 1970 of an HTTP date ("Tue, 09 Dec 2026 15:40:00 GMT"); 0 when it is not one.
long long ParseHttpDate(const std::string& text);

}  // namespace meridiana::service
