#pragma once
// The week's earthquakes from the online service: one request, one QUAKE element per event,
// the list kept in memory until the program ends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "online/data_provenance.h"
#include "online/http_client.h"
#include "online/service_reply.h"

namespace meridiana {

struct QuakeRecord {
  std::string time;  // the qt attribute as the service wrote it
  float longitude = 0.0f;
  float latitude = 0.0f;
  float magnitude = 0.0f;
  float depth = 0.0f;
};

// A reply larger than this, or with more QUAKE elements, is refused.
inline constexpr std::size_t kMaxQuakeReplyBytes = 8u << 20;
inline constexpr std::size_t kMaxQuakeRecords = 100000;

// The QUAKE elements of a reply body, in order (names in any letter case); an element with a
// number that is not finite is dropped. None (and *refused set) beyond the bounds above.
std::vector<QuakeRecord> ReadQuakeRecords(std::string_view body, bool* refused = nullptr);

class QuakeFeed {
 public:
  class Host : public ServiceReplyHost {
   public:
    virtual void ShowStatus(std::string_view text) = 0;  // the first status-bar part
    virtual void RepaintMap() = 0;
    virtual std::string Text(int stringId) = 0;  // in the interface language
    // The service URL for a path ("/earthquake.cgi"), its template keys filled in for now.
    virtual std::optional<std::string> ServiceUrl(std::string_view path) = 0;
    // The reply says the service's last download from its source failed: the list it sent is
    // the last good one.
    virtual void ShowRefreshFailure(const DataProvenance&) {}
  };

  QuakeFeed(HttpClient& client, Host& host) : client_(client), host_(host) {}

  // Starts the download; false (and nothing done) while any request runs.
  bool Download();
  const std::vector<QuakeRecord>& records() const { return records_; }
  bool HasList() const { return !records_.empty(); }
  // Where the list came from, as the last reply said.
  const DataProvenance& provenance() const { return provenance_; }
  // Drops the list, so the next Download asks again (the service has changed).
  void Forget() {
    records_.clear();
    provenance_ = {};
  }

 private:
  int OnReply(HttpRequest& request);

  HttpClient& client_;
  Host& host_;
  std::vector<QuakeRecord> records_;
  DataProvenance provenance_;
};

}  // namespace meridiana
