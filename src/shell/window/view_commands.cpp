#include "shell/window/view_commands.h"

#include "shell/app/ids.h"
#include "shell/app/settings.h"

namespace meridiana {

ViewModes ModesFromSettings(const Settings* settings) {
  ViewModes modes;
  if (settings == nullptr) return modes;
  modes.day = settings->day != 0;
  modes.night = settings->night != 0;
  modes.zones = settings->zones != 0;
  modes.shadow = settings->shadow != 0;
  modes.twilight = settings->twilight != 0;
  return modes;
}

void StoreModes(const ViewModes& modes, Settings* settings) {
  if (settings == nullptr) return;
  settings->day = modes.day ? 1 : 0;
  settings->night = modes.night ? 1 : 0;
  settings->zones = modes.zones ? 1 : 0;
  settings->shadow = modes.shadow ? 1 : 0;
  settings->twilight = modes.twilight ? 1 : 0;
}

void RestoreViewPlace(const Settings* settings, MapView& view) {
  if (settings == nullptr) return;
  view.zoom = settings->zoom;
  view.center = settings->center;
  view.scrollX = settings->cx;
  view.scrollY = settings->cy;
}

void StoreViewPlace(const MapView& view, Settings* settings) {
  if (settings == nullptr) return;
  settings->zoom = view.zoom;
  settings->cx = view.scrollX;
  settings->cy = view.scrollY;
}

bool ToggleOverlay(Settings& settings, int command) {
  switch (command) {
    case ids::kCmdAllCities:
      settings.cities = settings.cities != 0 ? 0 : 1;
      return true;
    case ids::kCmdCityNames:
      // The stored value of City Names on is 40.
      settings.track = settings.track < 1 ? 40 : 0;
      return true;
    case ids::kCmdGrid:
      settings.grid = settings.grid != 0 ? 0 : 1;
      return true;
    case ids::kCmdCitySelection:
      settings.marked = settings.marked != 0 ? 0 : 1;
      return true;
    case ids::kCmdMoon:
      settings.moon = settings.moon != 0 ? 0 : 1;
      return true;
    case ids::kCmdSharpMap:
      settings.sharp = settings.sharp != 0 ? 0 : 1;
      settings.sharpStored = true;  // turned off, it stays off
      return true;
    default:
      return false;
  }
}

CommandStates ModeStates(const ViewModes& modes, bool earthquakes) {
  // Day Map and Night Map say which picture is shown, not the stored flags: with neither flag on
  // the day map is what the user sees, and a night flag under clouds over the day map is not.
  bool day = false;
  bool night = false;
  switch (ChooseComposeSource(modes)) {
    case ComposeSource::kCloudsOverDay:
    case ComposeSource::kDay:
      day = true;
      break;
    case ComposeSource::kCloudsOverNight:
    case ComposeSource::kNight:
      night = true;
      break;
    case ComposeSource::kZones:
      day = modes.day;  // the zones tint a grey day map
      break;
    case ComposeSource::kClouds:
      break;
  }
  return {
      {ids::kCmdDayMap, day},
      {ids::kCmdNightMap, night},
      {ids::kCmdTimeZones, modes.zones},
      {ids::kCmdSunShadow, modes.shadow},
      {ids::kCmdClouds, modes.clouds},
      {ids::kCmdEarthquakes, earthquakes},
      {ids::kCmdTwilight, modes.twilight},
  };
}

CommandStates LayerStates(const Settings& settings) {
  return {
      {ids::kCmdAllCities, settings.cities != 0}, {ids::kCmdCityNames, settings.track != 0},
      {ids::kCmdGrid, settings.grid != 0},        {ids::kCmdCitySelection, settings.marked != 0},
      {ids::kCmdMoon, settings.moon != 0},        {ids::kCmdTimeBar, settings.timebar != 0},
      {ids::kCmdSharpMap, settings.sharp != 0},   {ids::kCmdAurora, settings.aurora != 0},
  };
}

}  // namespace meridiana
