#pragma once
// The main window's toolbar: 20 push buttons in four groups. Each button draws one icon of the
// menu icon list and shows the string-table text named by its tip id as its tool tip.

#include <array>

#include "shell/app/ids.h"

namespace meridiana {

struct ToolbarButton {
  int command;  // 0 marks a separator
  int icon;     // index into the menu icon list
  int tipId;    // string id of the tool tip
};

inline constexpr std::array<ToolbarButton, 23> kMainToolbarButtons = {{
    {ids::kCmdDayMap, 20, 1394},
    {ids::kCmdNightMap, 21, 1395},
    {ids::kCmdClouds, 17, 1396},
    {ids::kCmdSunShadow, 19, 1404},
    {ids::kCmdTwilight, 56, 1610},
    {ids::kCmdRefresh, 53, 1412},
    {0, 0, 0},
    {ids::kCmdTimeZones, 9, 1403},
    {ids::kCmdGrid, 8, 1402},
    {ids::kCmdAllCities, 15, 1405},
    {ids::kCmdCitySelection, 5, 1407},
    {ids::kCmdCityNames, 18, 1406},
    {ids::kCmdEarthquakes, 55, 1434},
    {0, 0, 0},
    {ids::kCmdPrevious, 14, 1399},
    {ids::kCmdPlay, 12, 1397},
    {ids::kCmdStop, 13, 1401},
    {ids::kCmdNext, 10, 1398},
    {0, 0, 0},
    {ids::kCmdZoomIn, 6, 1391},
    {ids::kCmdZoomOut, 7, 1392},
    {ids::kCmdActualPixels, 16, 1393},
    {ids::kCmdFitToScreen, 54, 1416},
}};

}  // namespace meridiana
