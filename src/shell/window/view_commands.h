#pragma once
// The view's switches as the settings file keeps them: the map's modes (Day Map, Night Map, Time
// Zones, Sun Shadow), the overlay layers (All Cities, City Names, Grid, City Selection), zoom and
// scroll; and which commands show as checked for them.

#include <utility>
#include <vector>

#include "map/compose.h"
#include "map/map_view.h"

namespace meridiana {

struct Settings;

// The stored modes; all off without settings. Clouds always starts off.
ViewModes ModesFromSettings(const Settings* settings);
// Keeps the stored flags in step with the modes (composing may have switched one off).
void StoreModes(const ViewModes& modes, Settings* settings);

// Zoom and scroll position from the settings into the view, and back.
void RestoreViewPlace(const Settings* settings, MapView& view);
void StoreViewPlace(const MapView& view, Settings* settings);

// Flips the overlay layer of an All Cities, City Names, Grid or City Selection command. False,
// and nothing flipped, for another command.
bool ToggleOverlay(Settings& settings, int command);

// Command and whether it shows checked (in the menus, and pressed on the toolbar).
using CommandStates = std::vector<std::pair<int, bool>>;
// The map's modes, Clouds and Earthquakes among them; Day Map and Night Map as the picture shows.
CommandStates ModeStates(const ViewModes& modes, bool earthquakes);
// The overlay layers.
CommandStates LayerStates(const Settings& settings);

}  // namespace meridiana
