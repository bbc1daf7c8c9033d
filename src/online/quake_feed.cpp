#include "online/quake_feed.h"

#include <cmath>

namespace meridiana {
namespace {

constexpr int kDownloadingText = 1433;
constexpr int kUnableToConnectText = 1418;
constexpr int kEventCountText = 1501;
constexpr int kSampleCountText = 1655;
constexpr int kMonthsText = 1489;
constexpr int kListTooLargeText = 1502;

}  // namespace

std::vector<QuakeRecord> ReadQuakeRecords(std::string_view body, bool* refused) {
  std::vector<QuakeRecord> records;
  if (refused != nullptr) *refused = false;
  if (body.size() > kMaxQuakeReplyBytes) {
    if (refused != nullptr) *refused = true;
    return records;
  }
  for (const MarkupToken& token : ScanMarkup(body, 0)) {
    if (!TagIs(token, "QUAKE")) continue;
    QuakeRecord record;
    record.latitude = AttributeFloat(token, "lat");
    record.longitude = AttributeFloat(token, "lon");
    record.magnitude = AttributeFloat(token, "m");
    record.depth = AttributeFloat(token, "depth");
    record.time = AttributeValue(token, "qt").value_or("");
    if (!std::isfinite(record.latitude) || !std::isfinite(record.longitude) ||
        !std::isfinite(record.magnitude) || !std::isfinite(record.depth))
      continue;
    if (records.size() == kMaxQuakeRecords) {
      if (refused != nullptr) *refused = true;
      return {};
    }
    records.push_back(std::move(record));
  }
  return records;
}

bool QuakeFeed::Download() {
  if (!client_.Idle()) return false;
  const std::optional<std::string> url = host_.ServiceUrl("/earthquake.cgi");
  if (!url) return false;
  client_.StartRequest(*url, 0,
                       [this](HttpRequest& request, std::int32_t) { return OnReply(request); });
  host_.ShowStatus(host_.Text(kDownloadingText));
  return true;
}

int QuakeFeed::OnReply(HttpRequest& request) {
  if (request.flags & kHttpRedirect) return 2;
  if (request.flags & kHttpFailed) {
    host_.ShowStatus(host_.Text(kUnableToConnectText));
    return 0;
  }
  const std::string_view body = request.Body();
  std::size_t added = 0;
  bool refused = body.size() > kMaxQuakeReplyBytes;
  if (!refused && CheckReply(body, host_) == 0) {
    std::vector<QuakeRecord> records = ReadQuakeRecords(body, &refused);
    if (!refused) provenance_ = ReadProvenance(body, "QUAKES");
    added = records.size();
    records_.insert(records_.end(), std::make_move_iterator(records.begin()),
                    std::make_move_iterator(records.end()));
  }
  host_.RepaintMap();
  if (refused) {
    host_.ShowStatus(FillPlaceholders(host_.Text(kListTooLargeText),
                                      {std::to_string(kMaxQuakeRecords),
                                       std::to_string(kMaxQuakeReplyBytes >> 20)}));
    return 0;
  }
  if (provenance_.sample) {
    // A sample's events are of its own days, not of the past week.
    ProvenanceTexts texts;
    if (std::string months = host_.Text(kMonthsText); !months.empty()) texts.months = months;
    host_.ShowStatus(FillPlaceholders(host_.Text(kSampleCountText),
                                      {std::to_string(added), QuakeRangeText(records_, texts)}));
  } else {
    host_.ShowStatus(FillPlaceholders(host_.Text(kEventCountText), {std::to_string(added)}));
  }
  if (provenance_.refreshFailed) host_.ShowRefreshFailure(provenance_);
  return 1;
}

}  // namespace meridiana
