#pragma once
// A source of live data for the data folder (the earthquake feed, a chain of cloud sources), as
// the refresher drives it: asked to refresh on demand when what the folder holds is older than
// the source's cadence.

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

namespace meridiana::service {

class LiveSource {
 public:
  virtual ~LiveSource() = default;

  // "quakes" or "clouds": which requests make it due, and the word in its log lines.
  virtual std::string Kind() const = 0;
  // How often the upstream publishes; data younger than this is not fetched again.
  virtual std::chrono::seconds Cadence() const = 0;
  // One line per upstream address, for the log at start.
  virtual std::string Describe() const = 0;
  // When the folder's data was fetched from this source (its list's updated time); none when
  // the folder holds only the sample or nothing.
  virtual std::optional<std::chrono::system_clock::time_point> HeldSince(
      const std::string& dataFolder) const = 0;
  // Downloads and writes the folder's files whole, or leaves them as they were and returns
  // false with one line in *message. Never runs twice at once for one source.
  virtual bool Refresh(const std::string& dataFolder, std::stop_token stop,
                       std::string* message) = 0;
  // Writes the failure onto the held list's root element (failed, problem), keeping its data.
  virtual void MarkFailed(const std::string& dataFolder, std::chrono::system_clock::time_point when,
                          const std::string& problem) = 0;
};

}  // namespace meridiana::service
