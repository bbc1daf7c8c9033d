#pragma once
// What the earthquake feed and the cloud frames ask of the main window: status texts, the map
// composed and repainted, the animation timer, the service's address and error texts.

#include <QMetaObject>
#include <QTimer>

#include "online/cloud_service.h"
#include "online/quake_feed.h"
#include "shell/app/ids.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"

namespace meridiana {

// What the earthquake feed and the cloud frames ask of the window.
class OnlineLayerHosts {
 public:
  explicit OnlineLayerHosts(MainWindow& window) : quakes(window), clouds(window) {}

  class Quakes : public QuakeFeed::Host {
   public:
    explicit Quakes(MainWindow& window) : w(window) {}
    void StopCloudAnimation() override { w.StopAnimation(); }
    void ShowServiceError(std::string_view text) override { w.ShowServiceError(text); }
    void ShowStatus(std::string_view text) override {
      w.statusBar_->SetPartText(0, ToQString(text));
    }
    void RepaintMap() override {
      w.RefreshOnlineView();
      w.RedrawMap();
    }
    std::string Text(int id) override { return ToUtf8(w.LocalText(id)); }
    std::optional<std::string> ServiceUrl(std::string_view path) override {
      return w.ServiceUrl(path);
    }
    void ShowRefreshFailure(const DataProvenance& provenance) override {
      w.ShowRefreshFailure(provenance, true);
    }
    MainWindow& w;
  };

  class Clouds : public CloudService::Host {
   public:
    explicit Clouds(MainWindow& window) : w(window) {}
    void StopCloudAnimation() override { w.StopAnimation(); }
    void ShowServiceError(std::string_view text) override { w.ShowServiceError(text); }
    void ShowStatus(int part, std::string_view text) override {
      w.statusBar_->SetPartText(part, ToQString(text));
    }
    std::string Text(int id) override { return ToUtf8(w.LocalText(id)); }
    std::optional<std::string> ServiceUrl(std::string_view path) override {
      return w.ServiceUrl(path);
    }
    void ShowCloudImage(DibPtr image) override { w.ShowCloudImage(std::move(image)); }
    void ShowAnimationFrame(const Dib& image) override { w.ShowAnimationFrame(image); }
    bool AnimationRunning() override { return w.animationTimer_->isActive(); }
    void StopAnimationTimer() override { w.animationTimer_->stop(); }
    bool LoopAnimation() override {
      return w.context_.settings != nullptr && w.context_.settings->loop != 0;
    }
    void UpdateAnimationCommands() override { w.UpdateAnimationCommands(); }
    void PostPendingStep() override { w.PostUserMessage(kMsgCloudDownloadDone); }
    void PostStop() override {
      QMetaObject::invokeMethod(
          &w, [this] { w.OnCommand(ids::kCmdStop); }, Qt::QueuedConnection);
    }
    void ShowRefreshFailure(const DataProvenance& provenance) override {
      w.ShowRefreshFailure(provenance, false);
    }
    MainWindow& w;
  };

  Quakes quakes;
  Clouds clouds;
};

}  // namespace meridiana
