#pragma once
// Numbers that identify the program's dialogs, controls, commands, timers and resources. They are
// fixed: translation keys, saved window geometry and the command table are built from them.

namespace meridiana::ids {

// Dialogs.
inline constexpr int kMainDialog = 101;
inline constexpr int kCitySelectorDialog = 103;
inline constexpr int kPropertiesDialog = 104;
inline constexpr int kPreferencesDialog = 117;

// Controls of the main window.
inline constexpr int kToolbar = 1000;
inline constexpr int kMapControl = 1011;
inline constexpr int kStatusBar = 1;

// Menus.
inline constexpr int kMainMenu = 1008;
inline constexpr int kMapContextMenu = 102;
inline constexpr int kTrayMenu = 1009;

// Icons.
inline constexpr int kAppIcon = 104;

// Commands.
inline constexpr int kCmdSettings = 105;
inline constexpr int kCmdManual = 106;
inline constexpr int kCmdFaq = 163;
inline constexpr int kCmdUpgrade = 196;
inline constexpr int kCmdQuit = 414;
inline constexpr int kCmdAbout = 1110;
inline constexpr int kCmdEnglish = 3033;
inline constexpr int kCmdSelectCity = 40001;
inline constexpr int kCmdProperties = 40002;
inline constexpr int kCmdClouds = 40004;
inline constexpr int kCmdDayMap = 40005;
inline constexpr int kCmdNightMap = 40006;
inline constexpr int kCmdTimeZones = 40007;
inline constexpr int kCmdAllCities = 40008;
inline constexpr int kCmdCitySelection = 40009;
inline constexpr int kCmdActualPixels = 40011;
inline constexpr int kCmdZoomIn = 40012;
inline constexpr int kCmdZoomOut = 40013;
inline constexpr int kCmdSunShadow = 40016;
inline constexpr int kCmdCityNames = 40017;
inline constexpr int kCmdGrid = 40018;
inline constexpr int kCmdNext = 40019;
inline constexpr int kCmdPrevious = 40020;
inline constexpr int kCmdPlay = 40021;
inline constexpr int kCmdStop = 40023;
inline constexpr int kCmdWallpaperMode = 40026;
inline constexpr int kCmdRefresh = 40027;
inline constexpr int kCmdFitToScreen = 40028;
inline constexpr int kCmdSatelliteImage = 40029;
inline constexpr int kCmdEarthquakes = 40030;
inline constexpr int kCmdClearCitySelection = 40031;
// The program's own: brings back the marks that the last Clear City Selection took.
inline constexpr int kCmdUndoClearCitySelection = 40035;
// The program's own: the dark side in twilight bands.
inline constexpr int kCmdTwilight = 40036;
// The program's own: the Moon's disc on the map.
inline constexpr int kCmdMoon = 40037;
// The program's own: the time bar under the map, the meeting planner, the tray's clocks window.
inline constexpr int kCmdTimeBar = 40038;
inline constexpr int kCmdMeetingPlanner = 40039;
inline constexpr int kCmdTrayClocks = 40040;
// View: the map drawn at the screen's own resolution when it needs more pixels than the base map.
inline constexpr int kCmdSharpMap = 40041;
// View: the aurora forecast's glow on the night side.
inline constexpr int kCmdAurora = 40047;
inline constexpr int kCmdTrayRestore = 40033;
inline constexpr int kCmdTrayMinimize = 40034;

// Timers of the main window.
inline constexpr int kTimerClock = 996;           // 1 second
inline constexpr int kTimerCloudCheck = 997;      // 1 hour
inline constexpr int kTimerShadowRefresh = 998;   // `refresh` minutes
inline constexpr int kTimerAnimation = 999;       // 250 ms while playing
inline constexpr int kTimerHttpWatchdog = 20000;  // 64 seconds
inline constexpr int kTimerHttpTick = 20001;      // 100 ms

// Tray icon callback message (user message base + 100).
inline constexpr int kTrayCallback = 1124;

}  // namespace meridiana::ids
