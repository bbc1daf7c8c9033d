// Live data in the window: the Preferences choice that restarts the bundled service, the lines
// saying where the earthquakes and the cloud frame came from, and the status text when the
// service could not refresh them (its last good data stays on the map).

#include "foundation/key_value_store.h"
#include "map/base_images.h"
#include "online/cloud_service.h"
#include "online/data_provenance.h"
#include "online/live_data.h"
#include "online/quake_feed.h"
#include "shell/app/qt_text.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"

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

}  // namespace

void MainWindow::ApplyLiveData(bool on) {
  if (context_.store == nullptr) return;
  const LiveDataChoice before = ReadLiveData(context_.store);
  if (before.locked || before.on == on) return;
  StoreLiveData(*context_.store, on);
  if (context_.serviceSettingsChanged) context_.serviceSettingsChanged();
  // What the old copy sent came from elsewhere: the layers on show ask the new one.
  if (quakes_) {
    quakes_->Forget();
    if (online_.earthquakes) quakes_->Download();
  }
  if (clouds_) {
    clouds_->ForgetList();
    if (compositor_->modes.clouds) clouds_->StepFrames(kShowNewest, kTowardsOlder);
  }
  RefreshOnlineView();
  RedrawMap();
}

namespace {

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
  return texts;
}

}  // namespace

void MainWindow::UpdateSourceLines() {
  const ProvenanceTexts texts = LocalProvenanceTexts([this](int id) { return LocalText(id); });
  const TimeValue now = liveClock_->Now();
  online_.quakeSource.clear();
  online_.cloudSource.clear();
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

void MainWindow::ShowRefreshFailure(const DataProvenance& provenance, bool quakes) {
  const ProvenanceTexts texts = LocalProvenanceTexts([this](int id) { return LocalText(id); });
  const std::string text = RefreshFailureText(provenance, quakes, liveClock_->Now(), texts);
  if (!text.empty()) statusBar_->SetPartText(0, ToQString(text));
}

}  // namespace meridiana
