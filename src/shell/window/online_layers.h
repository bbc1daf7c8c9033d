#pragma once
// The online layers: the week's earthquakes, the aurora forecast and the satellite cloud frames
// from the service,
// fetched through the program's HTTP client, the cloud animation and its timer, the lines saying
// where the data came from, and the commands that drive them.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/dib.h"
#include "shell/window/feature_host.h"
#include "shell/window/map_area.h"

class QTimer;

namespace meridiana {

class AuroraFeed;
class CloudService;
class CommandTable;
class Compositor;
struct DataProvenance;
enum class LiveList;
class MapImages;
struct MapView;
class NetworkLink;
class QuakeFeed;

class OnlineLayers {
 public:
  OnlineLayers(FeatureHost host, NetworkLink& network, Compositor& compositor, MapImages& images,
               const MapView& view);
  ~OnlineLayers();

  // The animation timer, then the feeds on the started HTTP client with the frames kept in
  // config.ini (their names, not yet their pictures).
  void Start();
  // Stop, the layers' switches, the frame steps, Refresh and Upgrade.
  void AddCommands(CommandTable& table);
  // The hourly check for a newer cloud frame.
  void CheckNewestClouds();
  // The live-data choice changed: what the old service sent came from elsewhere, and the
  // layers on show ask the new one.
  void AskNewService();
  // The map's view of the layers again: the frame's time, the quakes, the texts and the sources.
  void Refresh();

  const OnlineLayerView& view() const { return online_; }
  CloudService* clouds() const { return clouds_.get(); }
  QuakeFeed* quakes() const { return quakes_.get(); }
  AuroraFeed* aurora() const { return aurora_.get(); }
  const QTimer* animationTimer() const { return animationTimer_; }
  bool playing() const;
  int currentFrame() const;

 private:
  class QuakeHost;
  class AuroraHost;
  class CloudHost;

  bool OnCommand(int command);
  void CheckForUpgrade();
  void AnimationTick();
  void StopAnimation();
  // The Stop command: the animation ends on the newest frame, any transfer under way ends now.
  void StopNetworkAndAnimation();
  // The service's URL for a path and query, the installation's service address in front and
  // the template keys filled in; none without an address.
  std::optional<std::string> ServiceUrl(std::string_view pathAndQuery);
  void ShowCloudImage(DibPtr image);
  void ShowAnimationFrame(const Dib& image);
  void ShowServiceError(std::string_view text);
  // The source lines beside the layers, and the status text when the service could not
  // refresh them (its last good data stays on the map).
  void UpdateSourceLines();
  void ShowRefreshFailure(const DataProvenance& provenance, LiveList list);
  // The Aurora command, and the forecast asked for again while the layer is on: at once, or a
  // little later when another transfer holds the client.
  void ToggleAurora();
  void DownloadAurora();

  FeatureHost host_;
  NetworkLink& network_;
  Compositor& compositor_;
  MapImages& images_;
  const MapView& view_;
  OnlineLayerView online_;
  QTimer* animationTimer_ = nullptr;  // 999, child of the window
  bool animationTickRunning_ = false;
  QTimer* auroraTimer_ = nullptr;  // the forecast again every few minutes while the layer is on
  bool auroraRetryPending_ = false;
  std::unique_ptr<QuakeHost> quakeHost_;
  std::unique_ptr<AuroraHost> auroraHost_;
  std::unique_ptr<CloudHost> cloudHost_;
  std::unique_ptr<QuakeFeed> quakes_;
  std::unique_ptr<AuroraFeed> aurora_;
  std::unique_ptr<CloudService> clouds_;
};

}  // namespace meridiana
