// The window's online layers: the earthquakes of the past week and the satellite cloud frames,
// fetched from the service through the program's HTTP client, with their commands and timers.

#include <QTimer>

#include "foundation/file_util.h"
#include "foundation/key_value_store.h"
#include "foundation/user_notice.h"
#include "map/base_images.h"
#include "online/cloud_service.h"
#include "online/link_template.h"
#include "online/quake_feed.h"
#include "online/service_address.h"
#include "online/version_check.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/dialogs/about_box.h"
#include "shell/dialogs/dialog_controls.h"
#include "shell/window/main_window.h"
#include "shell/window/online_layer_hosts.h"
#include "shell/window/status_bar.h"

namespace meridiana {

namespace {

constexpr int kAnimationPeriodMs = 250;
constexpr int kErrorCaption = 1429;
constexpr int kCloseText = 1605;
constexpr int kImageDateText = 1475;
constexpr int kScaleText = 1500;
constexpr int kUpgradeTitle = 1504;
constexpr int kAmText = 1477;
constexpr int kPmText = 1479;
constexpr int kMoonText = 1560;

}  // namespace

void MainWindow::StartOnlineLayers() {
  animationTimer_ = new QTimer(this);
  connect(animationTimer_, &QTimer::timeout, this, [this] { AnimationTick(); });
  if (!http_) return;
  onlineHosts_ = std::make_unique<OnlineLayerHosts>(*this);
  quakes_ = std::make_unique<QuakeFeed>(*http_, onlineHosts_->quakes);
  clouds_ =
      std::make_unique<CloudService>(*http_, onlineHosts_->clouds, *liveClock_, CurrentFolder());
  // The frames kept in config.ini: their names, not yet their pictures.
  if (context_.frames != nullptr) {
    for (std::size_t i = 0; i < context_.frames->size() && i < kCloudSlots; ++i) {
      const SavedFrame& saved = (*context_.frames)[i];
      if (!IsFrameName(saved.third)) continue;
      CloudFrame& frame = clouds_->frames()[i];
      frame.m = saved.second;
      frame.t = saved.third;
      frame.s = saved.firstNumber;
      frame.q = saved.secondNumber;
    }
  }
  RefreshOnlineView();
}

std::optional<std::string> MainWindow::ServiceUrl(std::string_view pathAndQuery) {
  LinkContext links;
  if (context_.language != nullptr) links.language = context_.language->selectedCode();
  links.zoom = view_.zoom;
  const std::string address =
      context_.serviceAddress ? context_.serviceAddress() : ServiceAddress(context_.store);
  if (address.empty()) return std::nullopt;
  return meridiana::ServiceUrl(address, pathAndQuery, *context_.world, liveClock_->Now(), links);
}

// Asks the service for the newest version, and says what it answered.
void MainWindow::CheckForUpgrade() {
  const std::optional<std::string> url = ServiceUrl("/version.txt");
  if (!http_ || !url || !http_->Idle()) {
    ShowRichText(this, LocalText(kUpgradeTitle),
                 UpgradeHtml(std::nullopt, [this](int id) { return LocalText(id); }),
                 LocalText(kCloseText));
    return;
  }
  http_->StartRequest(*url, 0, [this](HttpRequest& request, std::int32_t) {
    if (request.flags & kHttpRedirect) return 2;
    std::optional<std::string> newest;
    if (!(request.flags & kHttpFailed)) newest = NewestVersion(request.Body());
    // The box opens once the transfer is over, outside the client's callback.
    QMetaObject::invokeMethod(
        this,
        [this, newest] {
          ShowRichText(this, LocalText(kUpgradeTitle),
                       UpgradeHtml(newest, [this](int id) { return LocalText(id); }),
                       LocalText(kCloseText));
        },
        Qt::QueuedConnection);
    return 0;
  });
}

bool MainWindow::OnOnlineCommand(int command) {
  if (command == ids::kCmdUpgrade) {
    CheckForUpgrade();
    return true;
  }
  if (!clouds_ || !quakes_)
    return command == ids::kCmdClouds ? (RunViewCommand(command), true) : true;
  ViewModes& modes = compositor_->modes;
  switch (command) {
    case ids::kCmdEarthquakes:
      online_.earthquakes = !online_.earthquakes;
      if (quakes_->HasList()) {
        RedrawMap();
      } else {
        quakes_->Download();
      }
      SyncViewControls();
      return true;
    case ids::kCmdClouds:
      ApplyViewCommand(modes, command);  // Clouds on turns Sun Shadow off
      if (modes.clouds) {
        if (clouds_->frames()[0].file) RecomputeMap();
        clouds_->StepFrames(kShowNewest, kTowardsOlder);
      } else {
        RecomputeMap();
        StopAnimation();
      }
      RefreshOnlineView();
      SyncViewControls();
      return true;
    case ids::kCmdNext:
    case ids::kCmdPrevious:
      animationTimer_->stop();
      if (!modes.clouds) {
        modes.clouds = true;
        modes.shadow = false;
        if (command == ids::kCmdPrevious) clouds_->SetCurrent(-1);
        SyncViewControls();
      }
      clouds_->StepFrames(clouds_->current(),
                          command == ids::kCmdNext ? kTowardsNewer : kTowardsOlder);
      RefreshOnlineView();
      UpdateAnimationCommands();
      return true;
    case ids::kCmdPlay:
      clouds_->SetCurrent(kPlayFromOldest);
      if (animationTimer_->isActive()) {
        animationTimer_->stop();
      } else {
        animationTimer_->start(kAnimationPeriodMs);
      }
      UpdateAnimationCommands();
      return true;
    case ids::kCmdRefresh:
      clouds_->CheckNewest(/*asked=*/true);
      return true;
    default:
      return false;
  }
}

void MainWindow::CheckNewestClouds() {
  if (clouds_) clouds_->CheckNewest();
}

void MainWindow::AnimationTick() {
  if (!clouds_ || animationTickRunning_ || compositor_->blendInProgress()) return;
  animationTickRunning_ = true;
  if (!compositor_->modes.clouds) {
    compositor_->modes.clouds = true;
    compositor_->modes.shadow = false;
    SyncViewControls();
  }
  clouds_->StepFrames(clouds_->current(), kTowardsNewer);
  RefreshOnlineView();
  animationTickRunning_ = false;
}

void MainWindow::StopAnimation() {
  if (animationTimer_ != nullptr) animationTimer_->stop();
  UpdateAnimationCommands();
}

void MainWindow::ShowCloudImage(DibPtr image) {
  images_->SetCloud(std::move(image));
  compositor_->modes.clouds = true;
  compositor_->modes.shadow = false;
  RecomputeMap();
  PostUserMessage(kMsgCloudFrameLoaded);
}

void MainWindow::ShowAnimationFrame(const Dib& image) {
  compositor_->ShowCloudFrame(&image);
  RefreshOnlineView();
  RedrawMap();
}

void MainWindow::ShowServiceError(std::string_view text) {
  // The service's own words as plain text, never a format or markup.
  if (context_.notice != nullptr)
    context_.notice->ShowMessage(ToUtf8(LocalText(kErrorCaption)), text);
}

void MainWindow::RefreshOnlineView() {
  online_.clouds = compositor_->modes.clouds;
  online_.cloudTime.clear();
  if (clouds_) {
    const int current = clouds_->current();
    if (current >= 0 && current < kCloudSlots && clouds_->frames()[current].t)
      online_.cloudTime = *clouds_->frames()[current].t;
    if (context_.frames != nullptr) {
      context_.frames->clear();
      for (const CloudFrame& frame : clouds_->frames()) {
        if (!frame.t) continue;
        context_.frames->push_back(
            {frame.file.value_or(""), frame.m.value_or(""), *frame.t, frame.s, frame.q});
      }
    }
  }
  if (quakes_ && online_.quakes.size() != quakes_->records().size()) {
    online_.quakes.clear();
    for (const QuakeRecord& quake : quakes_->records())
      online_.quakes.push_back({quake.longitude, quake.latitude, quake.magnitude});
  }
  online_.texts = {ToUtf8(LocalText(kImageDateText)), ToUtf8(LocalText(kAmText)),
                   ToUtf8(LocalText(kPmText)), ToUtf8(LocalText(kScaleText))};
  online_.texts.moon = ToUtf8(LocalText(kMoonText));
  UpdateSourceLines();
}

}  // namespace meridiana
