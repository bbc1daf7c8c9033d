// The Preferences dialog's place in the window: what it opens with, and OK in its order (the
// proxy to the HTTP client and the settings file at once, then the view settings and the
// shadow refresh timer).

#include <QTimer>
#include <algorithm>

#include "foundation/key_value_store.h"
#include "online/http_client.h"
#include "online/live_data.h"
#include "online/proxy_settings.h"
#include "shell/app/embedded_service.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/window/main_window.h"
#include "world/meeting_plan.h"

namespace meridiana {

namespace {

constexpr int kMinuteMs = 60000;
constexpr int kLongestRefreshMinutes = 35791;  // the longest period a timer takes

}  // namespace

PreferenceValues MainWindow::CurrentPreferences() {
  PreferenceValues values;
  if (const Settings* settings = context_.settings) {
    values.refresh = settings->refresh;
    values.info = settings->info != 0;
    values.loop = settings->loop != 0;
    values.center = settings->center;
    if (!settings->planHours.empty()) values.workingHours = settings->planHours;
  }
  // The computer's own place: the city of its time zone, as a first start marks it.
  if (context_.world != nullptr) {
    if (const City* home = CityOfHostZone(*context_.world, HostZoneName()))
      values.hostLongitude = home->longitude;
  }
  values.wallpaperWidth = wallpaperWidth_;
  const LiveDataChoice live = ReadLiveData(context_.store);
  values.live = live.on;
  values.liveLocked = live.locked;
  if (links_) values.browser = links_->BrowserChoice();
  if (context_.store != nullptr)
    values.proxy = LoadProxy(*context_.store, DesktopProxySetting(HostProxySystem()), kSchemeHttp);
  return values;
}

void MainWindow::OpenPreferences() {
  std::vector<std::string> browsers;
  if (links_) {
    const BrowserList& found = links_->Browsers();
    if (found.defaultBrowser) browsers.push_back(found.defaultBrowser->executable);
    browsers.insert(browsers.end(), found.installed.begin(), found.installed.end());
  }
  PreferencesDialog dialog(CurrentPreferences(), browsers, context_.language, this);
  // A quit may come while the dialog waits; a window already gone takes nothing from it.
  if (dialog.exec() == QDialog::Accepted && !destroyed_) ApplyPreferences(dialog.Read());
}

void MainWindow::ApplyPreferences(const PreferenceValues& values) {
  if (context_.store != nullptr) {
    if (values.browser.empty()) {
      context_.store->Remove(Hive::CurrentUser, kAppKey, "browser");
    } else {
      context_.store->Write(Hive::CurrentUser, kAppKey, "browser", values.browser);
    }
  }
  const SystemProxySetting desktop = DesktopProxySetting(HostProxySystem());
  const ProxySettings proxy = WithDesktopRules(values.proxy, desktop);
  if (http_) http_->SetProxy(proxy, proxy.type);
  if (context_.store != nullptr) {
    // The bundled service downloads through the kept proxy too: a change starts it again.
    const auto keptFor = [this] {
      return ServiceProxyEnvironment(LoadProxy(*context_.store, {}, kSchemeHttps));
    };
    const std::vector<EnvironmentChange> before = keptFor();
    SaveProxy(*context_.store, proxy, desktop);
    if (keptFor() != before && context_.serviceSettingsChanged) context_.serviceSettingsChanged();
  }
  if (Settings* settings = context_.settings) {
    settings->refresh = values.refresh;
    settings->info = values.info ? 1 : 0;
    settings->loop = values.loop ? 1 : 0;
    if (values.center != settings->center) {
      settings->center = values.center;
      view_.center = compositor_->center = values.center;
      RecomputeMap();
      if (settings->wallpaper != 0) RefreshWallpaper();
    }
    // Hours that do not read as "H-H" leave the planner's as they were.
    // A configuration is written as before until the hours are really changed.
    const std::string kept =
        settings->planHours.empty() ? FormatWorkingHours(WorkingHours{}) : settings->planHours;
    if (const auto hours = ParseWorkingHours(values.workingHours);
        hours && FormatWorkingHours(*hours) != kept) {
      settings->planHours = FormatWorkingHours(*hours);
    }
  }
  wallpaperWidth_ = values.wallpaperWidth;
  ApplyLiveData(values.live);
  // A period of 0 ends the automatic refresh until the next start.
  if (shadowTimer_ != nullptr) {
    shadowTimer_->stop();
    if (values.refresh > 0)
      shadowTimer_->start(std::min(values.refresh, kLongestRefreshMinutes) * kMinuteMs);
  }
}

}  // namespace meridiana
