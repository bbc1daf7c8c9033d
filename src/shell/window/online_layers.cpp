// The online layers: the earthquakes of the past week, the aurora forecast and the satellite
// cloud frames, fetched from the service through the program's HTTP client, with their commands
// and timers.

#include "shell/window/online_layers.h"

#include <QTimer>

#include "foundation/file_util.h"
#include "foundation/key_value_store.h"
#include "foundation/user_notice.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/map_view.h"
#include "online/aurora_feed.h"
#include "online/cloud_service.h"
#include "online/http_client.h"
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
#include "shell/window/command_table.h"
#include "shell/window/network_link.h"
#include "shell/window/status_text.h"
#include "shell/window/view_commands.h"

namespace meridiana {

namespace {

constexpr int kAnimationPeriodMs = 250;
// The forecaster renews its forecast every few minutes; the service fetches it when asked.
constexpr int kAuroraPeriodMs = 10 * 60 * 1000;
constexpr int kAuroraRetryMs = 3000;
constexpr int kErrorCaption = 1429;
constexpr int kCloseText = 1605;
constexpr int kImageDateText = 1475;
constexpr int kScaleText = 1500;
constexpr int kUpgradeTitle = 1504;
constexpr int kAmText = 1477;
constexpr int kPmText = 1479;
constexpr int kMoonText = 1560;

}  // namespace

// What the earthquake feed asks of the layers.
class OnlineLayers::QuakeHost : public QuakeFeed::Host {
 public:
  explicit QuakeHost(OnlineLayers& layers) : w(layers) {}
  void StopCloudAnimation() override { w.StopAnimation(); }
  void ShowServiceError(std::string_view text) override { w.ShowServiceError(text); }
  void ShowStatus(std::string_view text) override { w.host_.status->SetPart(0, ToQString(text)); }
  void RepaintMap() override {
    w.Refresh();
    w.host_.redrawMap();
  }
  std::string Text(int id) override { return ToUtf8(w.host_.text(id)); }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return w.ServiceUrl(path);
  }
  void ShowRefreshFailure(const DataProvenance& provenance) override {
    w.ShowRefreshFailure(provenance, LiveList::kQuakes);
  }
  OnlineLayers& w;
};

// What the aurora forecast asks of the layers: the earthquakes' host with its own failure text.
class OnlineLayers::AuroraHost : public OnlineLayers::QuakeHost {
 public:
  using QuakeHost::QuakeHost;
  void ShowRefreshFailure(const DataProvenance& provenance) override {
    w.ShowRefreshFailure(provenance, LiveList::kAurora);
  }
};

// What the cloud frames ask of the layers.
class OnlineLayers::CloudHost : public CloudService::Host {
 public:
  explicit CloudHost(OnlineLayers& layers) : w(layers) {}
  void StopCloudAnimation() override { w.StopAnimation(); }
  void ShowServiceError(std::string_view text) override { w.ShowServiceError(text); }
  void ShowStatus(int part, std::string_view text) override {
    w.host_.status->SetPart(part, ToQString(text));
  }
  std::string Text(int id) override { return ToUtf8(w.host_.text(id)); }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return w.ServiceUrl(path);
  }
  void ShowCloudImage(DibPtr image) override { w.ShowCloudImage(std::move(image)); }
  void ShowAnimationFrame(const Dib& image) override { w.ShowAnimationFrame(image); }
  bool AnimationRunning() override { return w.animationTimer_->isActive(); }
  void StopAnimationTimer() override { w.animationTimer_->stop(); }
  bool LoopAnimation() override {
    return w.host_.context->settings != nullptr && w.host_.context->settings->loop != 0;
  }
  void UpdateAnimationCommands() override { w.host_.updateAnimationCommands(); }
  // A list arrived: the step that waited for it runs on a later turn.
  void PostPendingStep() override {
    PostToWindow(w.host_, [&layers = w] {
      if (layers.clouds_) layers.clouds_->RunPendingStep();
      layers.host_.updateAnimationCommands();
    });
  }
  void PostStop() override {
    PostToWindow(w.host_, [this] { w.host_.runCommand(ids::kCmdStop); });
  }
  void ShowRefreshFailure(const DataProvenance& provenance) override {
    w.ShowRefreshFailure(provenance, LiveList::kClouds);
  }
  OnlineLayers& w;
};

OnlineLayers::OnlineLayers(FeatureHost host, NetworkLink& network, Compositor& compositor,
                           MapImages& images, const MapView& view)
    : host_(std::move(host)),
      network_(network),
      compositor_(compositor),
      images_(images),
      view_(view) {}

OnlineLayers::~OnlineLayers() = default;

void OnlineLayers::Start() {
  animationTimer_ = new QTimer(host_.window);
  QObject::connect(animationTimer_, &QTimer::timeout, host_.window, [this] { AnimationTick(); });
  auroraTimer_ = new QTimer(host_.window);
  QObject::connect(auroraTimer_, &QTimer::timeout, host_.window, [this] { DownloadAurora(); });
  HttpClient* http = network_.http();
  if (http == nullptr) return;
  quakeHost_ = std::make_unique<QuakeHost>(*this);
  cloudHost_ = std::make_unique<CloudHost>(*this);
  quakes_ = std::make_unique<QuakeFeed>(*http, *quakeHost_);
  auroraHost_ = std::make_unique<AuroraHost>(*this);
  aurora_ = std::make_unique<AuroraFeed>(*http, *auroraHost_);
  clouds_ = std::make_unique<CloudService>(*http, *cloudHost_, *host_.liveClock, CurrentFolder());
  // The frames kept in config.ini: their names, not yet their pictures.
  if (host_.context->frames != nullptr) {
    for (std::size_t i = 0; i < host_.context->frames->size() && i < kCloudSlots; ++i) {
      const SavedFrame& saved = (*host_.context->frames)[i];
      if (!IsFrameName(saved.third)) continue;
      CloudFrame& frame = clouds_->frames()[i];
      frame.m = saved.second;
      frame.t = saved.third;
      frame.s = saved.firstNumber;
      frame.q = saved.secondNumber;
    }
  }
  Refresh();
  if (host_.context->settings != nullptr && host_.context->settings->aurora != 0) {
    auroraTimer_->start(kAuroraPeriodMs);
    DownloadAurora();
  }
}

void OnlineLayers::AddCommands(CommandTable& table) {
  table.Add({ids::kCmdStop}, [this](int) { StopNetworkAndAnimation(); });
  table.Add({ids::kCmdAurora}, [this](int) { ToggleAurora(); });
  table.AddAnswering({ids::kCmdEarthquakes, ids::kCmdClouds, ids::kCmdNext, ids::kCmdPrevious,
                      ids::kCmdPlay, ids::kCmdRefresh, ids::kCmdUpgrade},
                     [this](int command) { return OnCommand(command); });
}

bool OnlineLayers::playing() const {
  return animationTimer_ != nullptr && animationTimer_->isActive();
}

int OnlineLayers::currentFrame() const { return clouds_ ? clouds_->current() : 0; }

std::optional<std::string> OnlineLayers::ServiceUrl(std::string_view pathAndQuery) {
  const MainWindowContext& context = *host_.context;
  LinkContext links;
  if (context.language != nullptr) links.language = context.language->selectedCode();
  links.zoom = view_.zoom;
  const std::string address =
      context.serviceAddress ? context.serviceAddress() : ServiceAddress(context.store);
  if (address.empty()) return std::nullopt;
  return meridiana::ServiceUrl(address, pathAndQuery, *context.world, host_.liveClock->Now(),
                               links);
}

// Asks the service for the newest version, and says what it answered.
void OnlineLayers::CheckForUpgrade() {
  QWidget* window = host_.window;
  const auto text = host_.text;
  const std::optional<std::string> url = ServiceUrl("/version.txt");
  HttpClient* http = network_.http();
  if (http == nullptr || !url || !http->Idle()) {
    ShowRichText(window, text(kUpgradeTitle), UpgradeHtml(std::nullopt, text), text(kCloseText));
    return;
  }
  http->StartRequest(*url, 0, [window, text](HttpRequest& request, std::int32_t) {
    if (request.flags & kHttpRedirect) return 2;
    std::optional<std::string> newest;
    if (!(request.flags & kHttpFailed)) newest = NewestVersion(request.Body());
    // The box opens once the transfer is over, outside the client's callback.
    QMetaObject::invokeMethod(
        window,
        [window, text, newest] {
          ShowRichText(window, text(kUpgradeTitle), UpgradeHtml(newest, text), text(kCloseText));
        },
        Qt::QueuedConnection);
    return 0;
  });
}

bool OnlineLayers::OnCommand(int command) {
  if (command == ids::kCmdUpgrade) {
    CheckForUpgrade();
    return true;
  }
  if (!clouds_ || !quakes_)
    return command == ids::kCmdClouds ? (host_.runViewCommand(command), true) : true;
  ViewModes& modes = compositor_.modes;
  switch (command) {
    case ids::kCmdEarthquakes:
      online_.earthquakes = !online_.earthquakes;
      if (quakes_->HasList()) {
        host_.redrawMap();
      } else {
        quakes_->Download();
      }
      host_.syncControls();
      return true;
    case ids::kCmdClouds:
      ApplyViewCommand(modes, command);  // Clouds on turns Sun Shadow off
      if (modes.clouds) {
        if (clouds_->frames()[0].file) host_.recomputeMap();
        clouds_->StepFrames(kShowNewest, kTowardsOlder);
      } else {
        host_.recomputeMap();
        StopAnimation();
      }
      Refresh();
      host_.syncControls();
      return true;
    case ids::kCmdNext:
    case ids::kCmdPrevious:
      animationTimer_->stop();
      if (!modes.clouds) {
        modes.clouds = true;
        modes.shadow = false;
        if (command == ids::kCmdPrevious) clouds_->SetCurrent(-1);
        host_.syncControls();
      }
      clouds_->StepFrames(clouds_->current(),
                          command == ids::kCmdNext ? kTowardsNewer : kTowardsOlder);
      Refresh();
      host_.updateAnimationCommands();
      return true;
    case ids::kCmdPlay:
      clouds_->SetCurrent(kPlayFromOldest);
      if (animationTimer_->isActive()) {
        animationTimer_->stop();
      } else {
        animationTimer_->start(kAnimationPeriodMs);
      }
      host_.updateAnimationCommands();
      return true;
    case ids::kCmdRefresh:
      clouds_->CheckNewest(/*asked=*/true);
      return true;
    default:
      return false;
  }
}

void OnlineLayers::ToggleAurora() {
  Settings* settings = host_.context->settings;
  if (settings == nullptr) return;
  settings->aurora = settings->aurora != 0 ? 0 : 1;
  if (settings->aurora != 0) {
    if (auroraTimer_ != nullptr) auroraTimer_->start(kAuroraPeriodMs);
    if (!aurora_ || !aurora_->HasForecast()) DownloadAurora();
  } else if (auroraTimer_ != nullptr) {
    auroraTimer_->stop();
  }
  Refresh();
  host_.redrawMap();
  host_.syncControls();
}

void OnlineLayers::DownloadAurora() {
  if (!aurora_ || host_.context->settings == nullptr || host_.context->settings->aurora == 0)
    return;
  if (aurora_->Download() || auroraRetryPending_) return;
  // Another transfer holds the client: asked again once it is likely over.
  auroraRetryPending_ = true;
  QTimer::singleShot(kAuroraRetryMs, host_.window, [this] {
    auroraRetryPending_ = false;
    DownloadAurora();
  });
}

void OnlineLayers::CheckNewestClouds() {
  if (clouds_) clouds_->CheckNewest();
}

void OnlineLayers::AnimationTick() {
  if (!clouds_ || animationTickRunning_ || compositor_.blendInProgress()) return;
  animationTickRunning_ = true;
  if (!compositor_.modes.clouds) {
    compositor_.modes.clouds = true;
    compositor_.modes.shadow = false;
    host_.syncControls();
  }
  clouds_->StepFrames(clouds_->current(), kTowardsNewer);
  Refresh();
  animationTickRunning_ = false;
}

void OnlineLayers::StopAnimation() {
  if (animationTimer_ != nullptr) animationTimer_->stop();
  host_.updateAnimationCommands();
}

void OnlineLayers::StopNetworkAndAnimation() {
  if (animationTimer_ != nullptr) animationTimer_->stop();
  if (clouds_) clouds_->SetCurrent(0);
  if (HttpClient* http = network_.http()) http->AbortAll();
  host_.updateAnimationCommands();
}

void OnlineLayers::ShowCloudImage(DibPtr image) {
  images_.SetCloud(std::move(image));
  // Turning the clouds on turns the shadow off; a shadow ticked again over them stays.
  if (!compositor_.modes.clouds) {
    compositor_.modes.clouds = true;
    compositor_.modes.shadow = false;
    host_.syncControls();
  }
  host_.recomputeMap();
  // A frame is on the map: it repaints on a later turn.
  PostToWindow(host_, [this] {
    Refresh();
    host_.redrawMap();
    host_.updateAnimationCommands();
  });
}

void OnlineLayers::ShowAnimationFrame(const Dib& image) {
  compositor_.ShowCloudFrame(&image);
  Refresh();
  host_.redrawMap();
}

void OnlineLayers::ShowServiceError(std::string_view text) {
  // The service's own words as plain text, never a format or markup.
  if (host_.context->notice != nullptr)
    host_.context->notice->ShowMessage(ToUtf8(host_.text(kErrorCaption)), text);
}

void OnlineLayers::AskNewService() {
  if (quakes_) {
    quakes_->Forget();
    if (online_.earthquakes) quakes_->Download();
  }
  if (aurora_) {
    aurora_->Forget();
    DownloadAurora();
  }
  if (clouds_) {
    clouds_->ForgetList();
    if (compositor_.modes.clouds) clouds_->StepFrames(kShowNewest, kTowardsOlder);
  }
  Refresh();
  host_.redrawMap();
}

void OnlineLayers::Refresh() {
  std::vector<SavedFrame>* frames = host_.context->frames;
  online_.clouds = compositor_.modes.clouds;
  online_.cloudTime.clear();
  if (clouds_) {
    const int current = clouds_->current();
    if (current >= 0 && current < kCloudSlots && clouds_->frames()[current].t)
      online_.cloudTime = *clouds_->frames()[current].t;
    if (frames != nullptr) {
      frames->clear();
      for (const CloudFrame& frame : clouds_->frames()) {
        if (!frame.t) continue;
        frames->push_back(
            {frame.file.value_or(""), frame.m.value_or(""), *frame.t, frame.s, frame.q});
      }
    }
  }
  if (quakes_ && online_.quakes.size() != quakes_->records().size()) {
    online_.quakes.clear();
    for (const QuakeRecord& quake : quakes_->records())
      online_.quakes.push_back({quake.longitude, quake.latitude, quake.magnitude});
  }
  if (aurora_) {
    // The grid is copied only when a new one came.
    const AuroraGrid& grid = aurora_->grid();
    if (online_.aurora.forecast != grid.forecast || online_.aurora.sample != grid.sample ||
        online_.aurora.percent != grid.percent)
      online_.aurora = grid;
  }
  online_.texts = {ToUtf8(host_.text(kImageDateText)), ToUtf8(host_.text(kAmText)),
                   ToUtf8(host_.text(kPmText)), ToUtf8(host_.text(kScaleText))};
  online_.texts.moon = ToUtf8(host_.text(kMoonText));
  UpdateSourceLines();
}

}  // namespace meridiana
