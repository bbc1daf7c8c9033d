#pragma once
// A list of the data folder kept live from one upstream feed (the earthquakes, the aurora
// forecast): downloaded when the refresher finds it due, conditionally when the feed's ETag or
// Last-Modified are known, and written with the feed's provenance on the list's root.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "service/live_source.h"
#include "service/reply_documents.h"

namespace meridiana::service {

struct ListFeed {
  std::string kind;       // "quakes": what the refresher and the log call it
  std::string_view file;  // the list in the data folder
  std::size_t maxBytes = 0;
  // Reads a downloaded body and writes the list whole, after `settle` has made its provenance
  // fit to keep (dated by the reply's clock when it claims the future, the host as its source
  // when it names none). False with one line in *message; *message says what was kept on
  // success.
  std::function<bool(std::string_view body, const std::function<void(Provenance&)>& settle,
                     const std::string& dataFolder, std::string* message)>
      write;
};

std::unique_ptr<LiveSource> MakeListSource(ListFeed feed, std::string url,
                                           std::chrono::seconds cadence,
                                           std::chrono::steady_clock::duration deadline);

}  // namespace meridiana::service
