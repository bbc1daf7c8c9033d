#pragma once
// One download from an upstream source (an earthquake feed, a cloud picture), as the service's
// fetchers need it: TLS certificates verified against the system's store (SSL_CERT_FILE and
// SSL_CERT_DIR honoured), an https address never followed to http, at most five redirects, one
// deadline for the whole download rather than per read, a bound on the body, conditional
// requests, and a stop that ends it at once.

#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>

namespace meridiana::service {

inline constexpr int kMaxRedirects = 5;

struct DownloadRequest {
  std::string url;  // http:// or https://, a numeric host or a name
  std::size_t maxBytes = std::size_t{64} << 20;
  std::chrono::steady_clock::duration deadline = std::chrono::seconds(60);
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
  std::string finalUrl;      // after redirects
  std::string problem;       // kFailed: one line naming the address and the reason
};

DownloadResult Download(const DownloadRequest& request);

// Whether Download takes the address: http:// or https://, a host, no blanks or user name.
bool IsDownloadableUrl(const std::string& url);

// Seconds since 1970 of an HTTP date ("Tue, 09 Dec 2026 15:40:00 GMT"); 0 when it is not one.
long long ParseHttpDate(const std::string& text);

}  // namespace meridiana::service
