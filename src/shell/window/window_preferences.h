#pragma once
// Preferences (105) in the window: what the dialog opens with, and what its OK does in its order
// (the browser, the proxy to the HTTP client and the settings file at once, the view settings and
// the map's centre, the working hours, the home city, the wallpaper width, live data, the shadow
// refresh).

#include "shell/window/feature_host.h"

namespace meridiana {

class CityDialogs;
class CommandTable;
class Compositor;
class DesktopWallpaper;
struct MapView;
class NetworkLink;
class OnlineLayers;
struct PreferenceValues;
class WindowTimers;

class WindowPreferences {
 public:
  // What OK changes beside the settings.
  struct Parts {
    MapView* view = nullptr;
    Compositor* compositor = nullptr;
    const CityDialogs* cities = nullptr;  // the browsers of its link actions
    NetworkLink* network = nullptr;
    OnlineLayers* online = nullptr;
    DesktopWallpaper* wallpaper = nullptr;
    WindowTimers* timers = nullptr;
    const bool* destroyed = nullptr;  // the window is gone: OK takes nothing
  };

  WindowPreferences(FeatureHost host, Parts parts) : host_(std::move(host)), parts_(parts) {}

  // Settings opens the dialog.
  void AddCommands(CommandTable& table);
  PreferenceValues Current() const;
  void Apply(const PreferenceValues& values);

 private:
  void Open();

  FeatureHost host_;
  Parts parts_;
};

}  // namespace meridiana
