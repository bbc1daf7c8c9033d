// Where the online layers' data came from: the lines beside the earthquakes and the cloud frame,
// and the status text when the service could not refresh them (its last good data stays on the
// map).

#include "foundation/clock.h"
#include "online/aurora_feed.h"
#include "online/cloud_service.h"
#include "online/data_provenance.h"
#include "online/quake_feed.h"
#include "shell/app/qt_text.h"
#include "shell/window/online_layers.h"
#include "shell/window/status_text.h"

namespace meridiana {
namespace {

constexpr int kJustNowText = 1483;
constexpr int kMinutesAgoText = 1484;
constexpr int kHoursAgoText = 1485;
constexpr int kDaysAgoText = 1486;
constexpr int kSampleText = 1487;
constexpr int kSyntheticMotionText = 1488;
constexpr int kMonthsText = 1489;
constexpr int kQuakesFailedText = 1490;
constexpr int kQuakesFailedSampleText = 1491;
constexpr int kCloudsFailedText = 1492;
constexpr int kCloudsFailedSampleText = 1493;
constexpr int kAuroraFailedText = 1750;
constexpr int kAuroraFailedSampleText = 1751;
constexpr int kAuroraLineText = 1747;

ProvenanceTexts LocalProvenanceTexts(const std::function<QString(int)>& text) {
  ProvenanceTexts texts;
  const auto take = [&](std::string& field, int id) {
    const std::string local = ToUtf8(text(id));
    if (!local.empty()) field = local;
  };
  take(texts.justNow, kJustNowText);
  take(texts.minutesAgo, kMinutesAgoText);
  take(texts.hoursAgo, kHoursAgoText);
  take(texts.daysAgo, kDaysAgoText);
  take(texts.sample, kSampleText);
  take(texts.syntheticMotion, kSyntheticMotionText);
  take(texts.months, kMonthsText);
  take(texts.quakesFailed, kQuakesFailedText);
  take(texts.quakesFailedSample, kQuakesFailedSampleText);
  take(texts.cloudsFailed, kCloudsFailedText);
  take(texts.cloudsFailedSample, kCloudsFailedSampleText);
  take(texts.auroraFailed, kAuroraFailedText);
  take(texts.auroraFailedSample, kAuroraFailedSampleText);
  return texts;
}

}  // namespace

void OnlineLayers::UpdateSourceLines() {
  const ProvenanceTexts texts = LocalProvenanceTexts(host_.text);
  const TimeValue now = host_.liveClock->Now();
  online_.quakeSource.clear();
  online_.cloudSource.clear();
  online_.auroraLine.clear();
  if (aurora_ && aurora_->HasForecast())
    online_.auroraLine =
        AuroraInfoLine(aurora_->grid(), ToUtf8(host_.text(kAuroraLineText)), texts.sample);
  if (quakes_ && quakes_->HasList())
    online_.quakeSource = QuakeSourceLine(quakes_->provenance(), quakes_->records(), now, texts);
  if (clouds_) {
    const int current = clouds_->current();
    if (current >= 0 && current < kCloudSlots && clouds_->frames()[current].t) {
      const CloudFrame& frame = clouds_->frames()[current];
      online_.cloudSource =
          CloudSourceLine(clouds_->provenance(), frame.m.value_or(""), *frame.t, now, texts);
    }
  }
}

void OnlineLayers::ShowRefreshFailure(const DataProvenance& provenance, LiveList list) {
  const ProvenanceTexts texts = LocalProvenanceTexts(host_.text);
  const std::string text = RefreshFailureText(provenance, list, host_.liveClock->Now(), texts);
  if (!text.empty()) host_.status->SetPart(0, ToQString(text));
}

}  // namespace meridiana
