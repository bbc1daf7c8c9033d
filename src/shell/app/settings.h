#pragma once
// The view settings with their defaults. They live in the App from start-up to shutdown; the
// registry load and save fill and store them.

#include <string>

namespace meridiana {

struct Settings {
  int help = 0;
  int view = 0;
  int shadow = 0;
  int twilight = 0;  // the shadow's dark side in twilight bands
  int cities = 0;
  int marked = 0;
  int track = 0;  // 0 off, 40 on
  int grid = 0;
  int day = 0;
  int night = 0;
  int zones = 0;
  int refresh = 0;  // minutes between sun-shadow refreshes; start-up turns 0 into 10
  int info = 0;
  int loop = 0;
  int cx = 0;
  int cy = 0;
  float zoom = 1.0f;
  int wallpaper = 0;
  // The wheel zooms about the pointer and the menu zooms about the centre; 0 zooms every way
  // about the map's top-left corner, as earlier versions did.
  int zoomAnchor = 1;
  // The Moon layer. Written only once it has been turned on, so a configuration that never
  // used it is saved as before.
  int moon = 0;
  bool moonStored = false;
  // The Aurora layer, likewise written only once it has been turned on.
  int aurora = 0;
  bool auroraStored = false;
  // A view that needs more device pixels than the base map has (wider than 1,024 device pixels,
  // zoomed, or a device pixel ratio above 1) drawn at the screen's own resolution from the sharp
  // pictures (1) rather than by repeating the base map's pixels (0). On at first; written only
  // once it has been set.
  int sharp = 1;
  bool sharpStored = false;
  // The longitude at the middle of the map, -180 to 180. Written only once it has been changed,
  // so a configuration that never moved it is saved as before.
  double center = 0;
  bool centerStored = false;
  // The time bar under the map, stored the same way.
  int timebar = 0;
  bool timebarStored = false;
  // The meeting planner: its cities ("name|name|..." in row order, empty for the marked cities)
  // and working hours ("9-17"), written once the planner has been used.
  std::string planCities;
  std::string planHours;
  // The home city the status bar and Properties measure from: a name as a typed city name is
  // resolved, empty for the city of the computer's zone. Written only once it has been set.
  std::string home;
  bool homeStored = false;
  // The small clocks window's place ("x,y"), empty until it has been shown.
  std::string clocksPlace;
  std::string wallpaperFile;
  std::string wallpaperTile;
  std::string wallpaperStyle;
  // The wallpaper as the map ("rectangular") or as a disc ("orthographic", "azimuthal"), and the
  // disc's centre ("LAT,LON" or a city name; empty for home). Written only once set.
  std::string wallpaperProjection = "rectangular";
  std::string wallpaperCenter;
  bool wallpaperGlobeStored = false;
  // A kept value was stored but is too long to read: it is neither put back nor written over.
  bool wallpaperKeptUnreadable = false;
};

// The refresh period used when none is stored.
inline constexpr int kDefaultRefreshMinutes = 10;

}  // namespace meridiana
