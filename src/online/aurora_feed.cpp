#include "online/aurora_feed.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <new>
#include <nlohmann/json.hpp>

#include "online/json_reading.h"
#include "online/service_reply.h"

namespace meridiana {
namespace {

using Json = nlohmann::json;

constexpr int kDownloadingText = 1433;
constexpr int kUnableToConnectText = 1418;
constexpr int kAuroraReceivedText = 1748;
constexpr int kAuroraNoForecastText = 1749;
// Twice the grid: a list longer than that is not the forecaster's.
constexpr std::size_t kMaxOvationPoints =
    2 * std::size_t{AuroraGrid::kLongitudes} * AuroraGrid::kLatitudes;

// Reads the document as a stream of events: only the two times and the list are kept.
class OvationReader final : public nlohmann::json_sax<Json> {
 public:
  explicit OvationReader(AuroraGrid* grid) : grid_(grid) { grid_->Clear(); }

  const std::string& error() const { return error_; }
  bool sawList() const { return sawList_; }
  bool sawForecast() const { return grid_->forecast != 0; }
  std::size_t points() const { return points_; }

  bool null() override { return Number(std::numeric_limits<double>::quiet_NaN()); }
  bool boolean(bool) override { return Number(std::numeric_limits<double>::quiet_NaN()); }
  bool number_integer(number_integer_t v) override { return Number(static_cast<double>(v)); }
  bool number_unsigned(number_unsigned_t v) override { return Number(static_cast<double>(v)); }
  bool number_float(number_float_t v, const string_t&) override { return Number(v); }
  bool binary(binary_t&) override { return Number(std::numeric_limits<double>::quiet_NaN()); }
  bool string(string_t& value) override {
    if (depth_ == 1 && (key_ == "Observation Time" || key_ == "Forecast Time")) {
      const std::optional<TimeValue> t = ParseIsoTime(value);
      if (!t) return Fail("\"" + key_ + "\" is not a UTC time");
      (key_ == "Forecast Time" ? grid_->forecast : grid_->observed) = *t;
      return true;
    }
    return Number(std::numeric_limits<double>::quiet_NaN());
  }
  bool key(string_t& name) override {
    if (depth_ == 1) key_ = name;
    return true;
  }
  bool start_object(std::size_t) override {
    if (depth_ >= 2 && inList_) return Fail("a point is not a list of three numbers");
    ++depth_;
    return depth_ <= 64 || Fail("nested too deep");
  }
  bool end_object() override {
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override {
    ++depth_;
    if (depth_ == 2 && key_ == "coordinates") {
      inList_ = true;
      sawList_ = true;
    } else if (inList_ && depth_ == 3) {
      count_ = 0;
    } else if (inList_) {
      return Fail("a point is not a list of three numbers");
    }
    return depth_ <= 64 || Fail("nested too deep");
  }
  bool end_array() override {
    if (inList_ && depth_ == 3 && !Point()) return false;
    if (inList_ && depth_ == 2) inList_ = false;
    --depth_;
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception&) override {
    error_ = "not valid JSON (at byte " + std::to_string(position) + ")";
    return false;
  }

 private:
  bool Fail(std::string why) {
    error_ = std::move(why);
    return false;
  }
  bool Number(double value) {
    if (inList_ && depth_ == 2) return Fail("a point is not a list of three numbers");
    if (inList_ && depth_ == 3) {
      if (count_ < 3) values_[count_] = value;
      ++count_;
    }
    return true;
  }
  bool Point() {
    const std::string at = "point " + std::to_string(points_ + 1);
    if (count_ != 3) return Fail(at + " is not a list of three numbers");
    double lon = values_[0];
    const double lat = values_[1];
    const double percent = values_[2];
    if (!std::isfinite(lon) || !std::isfinite(lat) || !std::isfinite(percent))
      return Fail(at + " is not a list of three numbers");
    if (lon != std::floor(lon) || lat != std::floor(lat) || lon < -180 || lon > 359 || lat < -90 ||
        lat > 90)
      return Fail(at + " lies off the one-degree grid");
    if (++points_ > kMaxOvationPoints)
      return Fail("more than " + std::to_string(kMaxOvationPoints) + " points");
    if (lon < 0) lon += 360;
    const long rounded = std::lround(std::clamp(percent, 0.0, 100.0));
    grid_->Set(static_cast<int>(lon), static_cast<int>(lat), static_cast<std::uint8_t>(rounded));
    return true;
  }

  AuroraGrid* grid_;
  int depth_ = 0;
  std::string key_;
  bool inList_ = false;
  bool sawList_ = false;
  int count_ = 0;
  double values_[3] = {0, 0, 0};
  std::size_t points_ = 0;
  std::string error_;
};

template <typename Parse>
std::optional<AuroraGrid> ReadOvation(Parse parse, std::string* error) {
  AuroraGrid grid;
  OvationReader reader(&grid);
  if (!RunJsonReader(reader, parse, error)) return std::nullopt;
  if (!reader.sawList()) {
    *error = "not an aurora forecast: no coordinates list";
    return std::nullopt;
  }
  if (!reader.sawForecast()) {
    *error = "not an aurora forecast: no \"Forecast Time\"";
    return std::nullopt;
  }
  if (reader.points() == 0) {
    *error = "the forecast lists no point";
    return std::nullopt;
  }
  return grid;
}

std::string TooLarge() { return "larger than " + std::to_string(kMaxOvationBytes >> 20) + " MiB"; }

// A whole number of the attribute, or none.
std::optional<int> WholeAttribute(const MarkupToken& token, std::string_view name) {
  if (!AttributeValue(token, name)) return std::nullopt;
  const float value = AttributeFloat(token, name);
  if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1000)
    return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::optional<AuroraGrid> ReadOvationForecast(std::string_view text, std::string* error) {
  if (text.size() > kMaxOvationBytes) {
    *error = TooLarge();
    return std::nullopt;
  }
  return ReadOvation(
      [text](OvationReader* reader) { return Json::sax_parse(text.begin(), text.end(), reader); },
      error);
}

std::optional<AuroraGrid> ReadOvationForecastFile(const char* path, std::string* error) {
  struct stat info {};
  if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = std::string("cannot read ") + path;
    return std::nullopt;
  }
  if (static_cast<unsigned long long>(info.st_size) > kMaxOvationBytes) {
    *error = TooLarge();
    return std::nullopt;
  }
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    *error = std::string("cannot read ") + path;
    return std::nullopt;
  }
  return ReadOvation([&stream](OvationReader* reader) { return Json::sax_parse(stream, reader); },
                     error);
}

std::vector<AuroraPoint> AuroraPoints(const AuroraGrid& grid) {
  std::vector<AuroraPoint> points;
  if (grid.empty()) return points;
  // West to east from -180: the forecaster's 180..359 first.
  for (int k = 0; k < AuroraGrid::kLongitudes; ++k) {
    const int east = (k + 180) % AuroraGrid::kLongitudes;
    for (int lat = -90; lat <= 90; ++lat) {
      const int percent = grid.At(east, lat);
      if (percent != 0) points.push_back({k - 180, lat, percent});
    }
  }
  return points;
}

std::optional<AuroraGrid> ReadAuroraReply(std::string_view body, bool* refused) {
  if (refused != nullptr) *refused = body.size() > kMaxAuroraReplyBytes;
  if (body.size() > kMaxAuroraReplyBytes) return std::nullopt;
  AuroraGrid grid;
  grid.Clear();
  bool sawForecast = false;
  for (const MarkupToken& token : ScanMarkup(body, 0)) {
    if (TagIs(token, "FORECAST")) {
      if (sawForecast) continue;
      grid.forecast = ParseIsoTime(AttributeValue(token, "forecast").value_or("")).value_or(0);
      grid.observed = ParseIsoTime(AttributeValue(token, "observed").value_or("")).value_or(0);
      sawForecast = grid.forecast != 0;
      continue;
    }
    if (!TagIs(token, "P")) continue;
    const std::optional<int> lon = WholeAttribute(token, "lon");
    const std::optional<int> lat = WholeAttribute(token, "lat");
    const std::optional<int> percent = WholeAttribute(token, "p");
    if (!lon || !lat || !percent || *lon < -180 || *lon > 359 || *lat < -90 || *lat > 90 ||
        *percent < 0 || *percent > 100)
      continue;
    grid.Set((*lon + 360) % 360, *lat, static_cast<std::uint8_t>(*percent));
  }
  if (!sawForecast) return std::nullopt;
  return grid;
}

std::string AuroraInfoLine(const AuroraGrid& grid, std::string_view text,
                           std::string_view sampleWord) {
  if (grid.empty() || grid.forecast == 0) return {};
  std::string line = FillPlaceholders(text, {UtcMinuteText(grid.forecast)});
  if (!grid.sample) return line;
  // "Sample: aurora forecast ..." with the text's first letter in lower case, where it has one.
  if (!line.empty() && line[0] >= 'A' && line[0] <= 'Z') line[0] = static_cast<char>(line[0] + 32);
  return std::string(sampleWord) + " " + line;
}

bool AuroraFeed::Download() {
  if (!client_.Idle()) return false;
  const std::optional<std::string> url = host_.ServiceUrl("/aurora.cgi");
  if (!url) return false;
  client_.StartRequest(*url, 0,
                       [this](HttpRequest& request, std::int32_t) { return OnReply(request); });
  host_.ShowStatus(host_.Text(kDownloadingText));
  return true;
}

int AuroraFeed::OnReply(HttpRequest& request) {
  if (request.flags & kHttpRedirect) return 2;
  if (request.flags & kHttpFailed) {
    host_.ShowStatus(host_.Text(kUnableToConnectText));
    return 0;
  }
  const std::string_view body = request.Body();
  std::optional<AuroraGrid> grid;
  if (CheckReply(body, host_) == 0) grid = ReadAuroraReply(body);
  if (!grid) {
    host_.ShowStatus(host_.Text(kAuroraNoForecastText));
    return 0;
  }
  provenance_ = ReadProvenance(body, "AURORA");
  grid->sample = provenance_.sample;
  grid_ = std::move(*grid);
  host_.RepaintMap();
  host_.ShowStatus(
      FillPlaceholders(host_.Text(kAuroraReceivedText), {UtcMinuteText(grid_.forecast)}));
  if (provenance_.refreshFailed) host_.ShowRefreshFailure(provenance_);
  return 1;
}

}  // namespace meridiana
