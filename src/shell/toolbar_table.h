#pragma once
// The main window's toolbar: 19 push buttons in four groups. Each button draws one icon of the
// menu icon list and shows the string-table text named by its tip id as its tool tip.

#include <array>

#include "shell/ids.h"

namespace meridiana {

struct ToolbarButton {
  int command;      // 0 marks a separator
  int icon;         // index into the menu icon list
  int tipId;        // string id of the tool tip
  const char* tip;  // the built-in English text of tipId
};

inline constexpr std::array<ToolbarButton, 22> kMainToolbarButtons = {{
    {ids::kCmdDayMap, 20, 1394, "Show Day Map"},
    {ids::kCmdNightMap, 21, 1395, "Show Night Map"},
    {ids::kCmdClouds, 17, 1396, "Show Clouds"},
    {ids::kCmdSunShadow, 19, 1404, "Show Sun Shadow"},
    {ids::kCmdRefresh, 53, 1412, "Refresh"},
    {0, 0, 0, nullptr},
    {ids::kCmdTimeZones, 9, 1403, "Show Timezones"},
    {ids::kCmdGrid, 8, 1402, "Show Latitude/Longitude Grid"},
    {ids::kCmdAllCities, 15, 1405, "Show All Cities"},
    {ids::kCmdCitySelection, 5, 1407, "Show City Selection"},
    {ids::kCmdCityNames, 18, 1406, "Show City Names"},
    {ids::kCmdEarthquakes, 55, 1434, "View world earthquakes in the past 7 days."},
    {0, 0, 0, nullptr},
    {ids::kCmdPrevious, 14, 1399, "Show Previous Frame"},
    {ids::kCmdPlay, 12, 1397, "Play Clouds Animation"},
    {ids::kCmdStop, 13, 1401, "Stop Animation"},
    {ids::kCmdNext, 10, 1398, "Show Next Frame"},
    {0, 0, 0, nullptr},
    {ids::kCmdZoomIn, 6, 1391, "Zoom In"},
    {ids::kCmdZoomOut, 7, 1392, "Zoom Out"},
    {ids::kCmdActualPixels, 16, 1393, "Actual Pixels"},
    {ids::kCmdFitToScreen, 54, 1416, "Fit to Screen"},
}};

}  // namespace meridiana
