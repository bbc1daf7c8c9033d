#include "service/quake_ingest.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <new>
#include <nlohmann/json.hpp>

#include "foundation/file_util.h"
#include "online/json_reading.h"
#include "service/data_folder.h"
#include "service/data_folder_lock.h"

namespace meridiana::service {
namespace {

using Json = nlohmann::json;

// What a container stands for in the feed; everything the reader does not need is Other.
enum class Role { Root, Metadata, Features, Feature, Properties, Geometry, Coordinates, Other };

struct PendingFeature {
  bool hasTime = false;
  bool hasMagnitude = false;
  long long timeMs = 0;
  double magnitude = 0;
  double coordinates[3] = {0, 0, 0};
  int coordinateCount = 0;
  bool badCoordinate = false;
};

class FeedReader final : public nlohmann::json_sax<Json> {
 public:
  explicit FeedReader(UsgsFeed* feed) : feed_(feed) {}

  const std::string& error() const { return error_; }
  bool sawFeatures() const { return sawFeatures_; }
  bool sawGenerated() const { return sawGenerated_; }

  bool null() override { return Scalar(std::numeric_limits<double>::quiet_NaN(), false); }
  bool boolean(bool) override { return Scalar(0, false); }
  bool number_integer(number_integer_t value) override {
    return Scalar(static_cast<double>(value), true, value);
  }
  bool number_unsigned(number_unsigned_t value) override {
    const long long whole =
        value > static_cast<number_unsigned_t>(std::numeric_limits<long long>::max())
            ? std::numeric_limits<long long>::max()
            : static_cast<long long>(value);
    return Scalar(static_cast<double>(value), true, whole);
  }
  bool number_float(number_float_t value, const string_t&) override {
    long long whole = 0;
    const bool fits = std::isfinite(value) && value > -9.2e18 && value < 9.2e18;
    if (fits) whole = static_cast<long long>(std::floor(value));
    return Scalar(value, fits, whole);
  }
  bool string(string_t& value) override {
    if (Parent() == Role::Metadata && key_ == "title") feed_->title = value.substr(0, 200);
    return Scalar(0, false);
  }
  bool binary(binary_t&) override { return Scalar(0, false); }

  bool start_object(std::size_t) override { return Open(true); }
  bool start_array(std::size_t) override { return Open(false); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    key_ = name;
    return true;
  }

  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception&) override {
    error_ = "not valid JSON (at byte " + std::to_string(position) + ")";
    return false;
  }

 private:
  Role Parent() const { return stack_.empty() ? Role::Other : stack_.back(); }

  // The role of a container that opens as the current value.
  Role ChildRole(bool isObject) const {
    if (stack_.empty()) return isObject ? Role::Root : Role::Other;
    switch (stack_.back()) {
      case Role::Root:
        if (key_ == "metadata" && isObject) return Role::Metadata;
        if (key_ == "features" && !isObject) return Role::Features;
        return Role::Other;
      case Role::Features:
        return isObject ? Role::Feature : Role::Other;
      case Role::Feature:
        if (key_ == "properties" && isObject) return Role::Properties;
        if (key_ == "geometry" && isObject) return Role::Geometry;
        return Role::Other;
      case Role::Geometry:
        return key_ == "coordinates" && !isObject ? Role::Coordinates : Role::Other;
      case Role::Coordinates:
        return Role::Other;
      case Role::Metadata:
      case Role::Properties:
      case Role::Other:
        return Role::Other;
    }
    return Role::Other;
  }

  bool Open(bool isObject) {
    if (stack_.size() >= static_cast<std::size_t>(kMaxFeedNesting)) {
      error_ = "nested more than " + std::to_string(kMaxFeedNesting) + " levels deep";
      return false;
    }
    const Role role = ChildRole(isObject);
    if (Parent() == Role::Coordinates) pending_.badCoordinate = true;  // [lon, [..]]
    if (role == Role::Features) sawFeatures_ = true;
    if (role == Role::Feature) {
      if (++feed_->features > kMaxFeedFeatures) {
        error_ = "more than " + std::to_string(kMaxFeedFeatures) + " features";
        return false;
      }
      pending_ = PendingFeature{};
    }
    stack_.push_back(role);
    return true;
  }

  bool Close() {
    if (stack_.empty()) return true;
    const Role role = stack_.back();
    stack_.pop_back();
    if (role == Role::Feature) Finish();
    return true;
  }

  bool Scalar(double value, bool isNumber, long long whole = 0) {
    switch (Parent()) {
      case Role::Metadata:
        if (key_ == "generated") {
          sawGenerated_ = isNumber && whole > 0;
          feed_->generatedMs = whole;
        }
        break;
      case Role::Properties:
        if (key_ == "time") {
          pending_.hasTime = isNumber;
          pending_.timeMs = whole;
        } else if (key_ == "mag") {
          pending_.hasMagnitude = isNumber && std::isfinite(value);
          pending_.magnitude = value;
        }
        break;
      case Role::Coordinates:
        if (!isNumber || !std::isfinite(value)) pending_.badCoordinate = true;
        if (pending_.coordinateCount < 3) pending_.coordinates[pending_.coordinateCount] = value;
        ++pending_.coordinateCount;
        break;
      case Role::Root:
      case Role::Features:
      case Role::Feature:
      case Role::Geometry:
      case Role::Other:
        break;
    }
    return true;
  }

  void Finish() {
    const PendingFeature& f = pending_;
    if (!f.hasTime || !f.hasMagnitude || f.badCoordinate || f.coordinateCount < 2) return;
    const double lon = f.coordinates[0];
    const double lat = f.coordinates[1];
    if (lon < -180 || lon > 180 || lat < -90 || lat > 90) return;
    QuakeEntry entry;
    entry.longitude = lon;
    entry.latitude = lat;
    entry.depth = f.coordinateCount >= 3 ? f.coordinates[2] : 0;
    entry.magnitude = f.magnitude;
    entry.timeMs = f.timeMs;
    feed_->events.push_back(entry);
  }

  UsgsFeed* feed_;
  std::vector<Role> stack_;
  std::string key_;
  PendingFeature pending_;
  std::string error_;
  bool sawFeatures_ = false;
  bool sawGenerated_ = false;
};

// parse(reader) runs the library's reader over the input.
template <typename Parse>
std::optional<UsgsFeed> ReadFeed(Parse parse, std::string* error) {
  UsgsFeed feed;
  FeedReader reader(&feed);
  if (!RunJsonReader(reader, parse, error)) return std::nullopt;
  if (!reader.sawFeatures()) {
    *error = "not a GeoJSON feed: no features list";
    return std::nullopt;
  }
  if (!reader.sawGenerated()) {
    *error = "not a USGS summary feed: no metadata.generated time";
    return std::nullopt;
  }
  return feed;
}

}  // namespace

std::string FeedSourceName(const UsgsFeed& feed) {
  // "USGS Magnitude 2.5+ Earthquakes, Past Week" names its maker first.
  std::string name;
  for (const char c : feed.title) {
    if (c == ' ') {
      if (name.empty()) continue;
      break;
    }
    name += c;
  }
  if (name.size() > 32) name.resize(32);
  return name;
}

Provenance LiveProvenance(const UsgsFeed& feed) {
  Provenance provenance;
  provenance.source = FeedSourceName(feed);
  provenance.updated = feed.generatedMs / 1000;
  return provenance;
}

Provenance SampleProvenance() {
  Provenance provenance;
  provenance.source = "Sample";
  provenance.sample = true;
  return provenance;
}

bool WriteQuakeList(const UsgsFeed& feed, const Provenance& provenance,
                    const std::string& dataFolder, std::string* message) {
  const std::vector<QuakeEntry> week = SelectWeek(feed);
  if (!WriteListUnderLock(
          dataFolder, kQuakesFile, [&] { return QuakesDocument(week, provenance); }, message))
    return false;
  *message = std::to_string(week.size()) + " events kept of " + std::to_string(feed.features) +
             " features, the week before " + QuakeTimeText(feed.generatedMs) + " UTC";
  return true;
}

std::optional<UsgsFeed> ReadUsgsFeed(std::string_view text, std::string* error) {
  if (text.size() > kMaxFeedBytes) {
    *error = "larger than " + std::to_string(kMaxFeedBytes >> 20) + " MiB";
    return std::nullopt;
  }
  return ReadFeed(
      [text](FeedReader* reader) { return Json::sax_parse(text.begin(), text.end(), reader); },
      error);
}

std::optional<UsgsFeed> ReadUsgsFeedFile(const char* path, std::string* error) {
  struct stat info {};
  if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = std::string("cannot read ") + path;
    return std::nullopt;
  }
  if (static_cast<unsigned long long>(info.st_size) > kMaxFeedBytes) {
    *error = "larger than " + std::to_string(kMaxFeedBytes >> 20) + " MiB";
    return std::nullopt;
  }
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    *error = std::string("cannot read ") + path;
    return std::nullopt;
  }
  return ReadFeed([&stream](FeedReader* reader) { return Json::sax_parse(stream, reader); }, error);
}

std::vector<QuakeEntry> SelectWeek(const UsgsFeed& feed) {
  std::vector<QuakeEntry> week;
  const long long end = feed.generatedMs;
  const long long start = end - kWeekMs;
  for (const QuakeEntry& event : feed.events) {
    if (event.timeMs >= start && event.timeMs <= end) week.push_back(event);
  }
  std::stable_sort(week.begin(), week.end(),
                   [](const QuakeEntry& a, const QuakeEntry& b) { return a.timeMs > b.timeMs; });
  if (week.size() > kMaxListedQuakes) week.resize(kMaxListedQuakes);
  return week;
}

bool IngestQuakesText(std::string_view text, const std::string& dataFolder, std::string* message) {
  std::string error;
  const std::optional<UsgsFeed> feed = ReadUsgsFeed(text, &error);
  if (!feed) {
    *message = "bad feed: " + error;
    return false;
  }
  return WriteQuakeList(*feed, LiveProvenance(*feed), dataFolder, message);
}

bool IngestQuakesFile(const char* feedPath, const std::string& dataFolder, std::string* message,
                      bool sample) {
  std::string error;
  const std::optional<UsgsFeed> feed = ReadUsgsFeedFile(feedPath, &error);
  if (!feed) {
    *message = std::string("bad feed ") + feedPath + ": " + error;
    return false;
  }
  return WriteQuakeList(*feed, sample ? SampleProvenance() : LiveProvenance(*feed), dataFolder,
                        message);
}

}  // namespace meridiana::service
