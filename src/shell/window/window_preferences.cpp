#include "shell/window/window_preferences.h"

#include "foundation/key_value_store.h"
#include "map/compose.h"
#include "map/globe_render.h"
#include "map/map_view.h"
#include "online/live_data.h"
#include "online/proxy_settings.h"
#include "shell/app/ids.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/city_dialogs.h"
#include "shell/window/command_table.h"
#include "shell/window/desktop_wallpaper.h"
#include "shell/window/network_link.h"
#include "shell/window/online_layers.h"
#include "shell/window/window_timers.h"
#include "world/meeting_plan.h"
#include "world/place_names.h"

namespace meridiana {

void WindowPreferences::AddCommands(CommandTable& table) {
  table.Add({ids::kCmdSettings}, [this](int) { Open(); });
}

PreferenceValues WindowPreferences::Current() const {
  const MainWindowContext& context = *host_.context;
  PreferenceValues values;
  if (const Settings* settings = context.settings) {
    values.refresh = settings->refresh;
    values.info = settings->info != 0;
    values.loop = settings->loop != 0;
    values.center = settings->center;
    if (!settings->planHours.empty()) values.workingHours = settings->planHours;
    values.home = settings->home;
    values.wallpaperProjection = settings->wallpaperProjection;
    values.wallpaperCenter = settings->wallpaperCenter;
  }
  if (const WorldData* world = context.world) {
    values.centerIsPlace = [world](const std::string& text) {
      return GlobeCenterOf(*world, text, "", nullptr).has_value();
    };
  }
  // The computer's own place: the city of its time zone, as a first start marks it.
  if (context.world != nullptr) {
    if (const City* host = CityOfHostZone(*context.world, HostZoneName())) {
      values.hostLongitude = host->longitude;
      values.hostCity = std::string(WithoutTrailingBlanks(CityNameOf(*context.world, *host)));
    }
  }
  values.wallpaperWidth = parts_.wallpaper->width();
  const LiveDataChoice live = ReadLiveData(context.store);
  values.live = live.on;
  values.liveLocked = live.locked;
  if (LinkActions* links = parts_.cities->links()) values.browser = links->BrowserChoice();
  if (context.store != nullptr)
    values.proxy = LoadProxy(*context.store, DesktopProxySetting(HostProxySystem()), kSchemeHttp);
  return values;
}

void WindowPreferences::Open() {
  std::vector<std::string> browsers;
  if (LinkActions* links = parts_.cities->links()) {
    const BrowserList& found = links->Browsers();
    if (found.defaultBrowser) browsers.push_back(found.defaultBrowser->executable);
    browsers.insert(browsers.end(), found.installed.begin(), found.installed.end());
  }
  PreferencesDialog dialog(Current(), browsers, host_.context->language, host_.window,
                           host_.context->world);
  // A quit may come while the dialog waits; a window already gone takes nothing from it.
  if (dialog.exec() == QDialog::Accepted && !*parts_.destroyed) Apply(dialog.Read());
}

void WindowPreferences::Apply(const PreferenceValues& values) {
  const MainWindowContext& context = *host_.context;
  if (context.store != nullptr) {
    if (values.browser.empty()) {
      context.store->Remove(Hive::CurrentUser, kAppKey, "browser");
    } else {
      context.store->Write(Hive::CurrentUser, kAppKey, "browser", values.browser);
    }
  }
  parts_.network->ApplyProxy(values.proxy);
  if (Settings* settings = context.settings) {
    settings->refresh = values.refresh;
    settings->info = values.info ? 1 : 0;
    settings->loop = values.loop ? 1 : 0;
    if (values.center != settings->center) {
      settings->center = values.center;
      parts_.view->center = parts_.compositor->center = values.center;
      host_.recomputeMap();
      if (settings->wallpaper != 0) parts_.wallpaper->Refresh();
    }
    // Hours that do not read as "H-H" leave the planner's as they were.
    // A configuration is written as before until the hours are really changed.
    const std::string kept =
        settings->planHours.empty() ? FormatWorkingHours(WorkingHours{}) : settings->planHours;
    if (const auto hours = ParseWorkingHours(values.workingHours);
        hours && FormatWorkingHours(*hours) != kept) {
      settings->planHours = FormatWorkingHours(*hours);
    }
    if (values.home != settings->home) {
      settings->home = values.home;
      settings->homeStored = true;
      // The read-out measures from the new home with the next pointer move or second.
      if (PropertiesDialog* shown = parts_.cities->properties()) shown->Refill();
    }
  }
  bool globeChanged = false;
  if (Settings* settings = context.settings;
      settings != nullptr && (values.wallpaperProjection != settings->wallpaperProjection ||
                              values.wallpaperCenter != settings->wallpaperCenter)) {
    settings->wallpaperProjection = values.wallpaperProjection;
    settings->wallpaperCenter = values.wallpaperCenter;
    settings->wallpaperGlobeStored = true;
    globeChanged = true;
  }
  parts_.wallpaper->SetWidth(values.wallpaperWidth);
  // The desktop shows the new projection at once, as it shows a new map centre.
  if (globeChanged && context.settings->wallpaper != 0) parts_.wallpaper->Refresh();
  // What the old service sent came from elsewhere: the layers on show ask the new one.
  if (parts_.network->ApplyLiveData(values.live)) parts_.online->AskNewService();
  parts_.timers->RestartShadowRefresh(values.refresh);
}

}  // namespace meridiana
