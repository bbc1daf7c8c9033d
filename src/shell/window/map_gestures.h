#pragma once
// What the pointer does on the map besides scrolling and zooming (which the map area does
// itself): the read-out of latitude, longitude and local time in the status bar, the context
// menu of nearby cities, and the double click that marks a city. It remembers where the pointer
// and the last context menu were, for the commands that ask.

#include <QPoint>
#include <functional>

#include "map/map_view.h"

class QMenu;

namespace meridiana {

class Clock;
class HomePlace;
class InterfaceLanguage;
class LocaleInfo;
class MapArea;
class MapImages;
class PartStatusBar;
struct City;
struct Settings;
struct ViewModes;
struct WorldData;

class MapGestures {
 public:
  // Borrowed from the window, which outlives the gestures.
  struct Sources {
    MapArea* area = nullptr;
    PartStatusBar* statusBar = nullptr;
    MapView* view = nullptr;
    WorldData* world = nullptr;
    const Settings* settings = nullptr;  // may be null: no layers on
    const MapImages* images = nullptr;
    const ViewModes* modes = nullptr;
    const Clock* clock = nullptr;
    const LocaleInfo* locale = nullptr;
    InterfaceLanguage* language = nullptr;        // may be null: no context menu
    const HomePlace* home = nullptr;              // may be null: no distance from home
    std::function<void(int command)> runCommand;  // a command chosen in the context menu
    std::function<void()> marksChanged;           // a double click marked or unmarked a city
  };

  explicit MapGestures(Sources sources) : s_(std::move(sources)) {}

  // Latitude, longitude, local time and the distance from home for a point of the map area, in
  // the status bar. While a
  // modal dialog is open the read-out stays as it was: the user is reading it.
  void ShowReadOut(QPoint mapAreaPoint);
  // Empties the read-out: the pointer is not over the map.
  void ClearReadOut();
  // The read-out for wherever the pointer is now, when it is over the map: the clock moves on
  // even when the mouse does not.
  void RefreshReadOut();
  // A right click that did not zoom: the map's context menu of nearby cities.
  void OpenContextMenu(QPoint mapAreaPoint);
  // A double click marks or unmarks the hover city (with City Names on) or the nearest one.
  void DoubleClick(QPoint mapAreaPoint);

  // The city of a context-menu entry (0 the nearest), or null.
  City* MenuCity(int entry) const;
  // The city nearest to where the context menu last opened, or null without cities.
  City* CityNearContextPoint() const;
  // Where the context menu opened last; the map's corner before it ever did.
  QPoint contextPoint() const { return contextPoint_; }
  // The map position of the last pointer read-out.
  LatLon lastPointer() const { return lastPointer_; }

 private:
  // Fills the context menu before it opens: the nearest cities, the layer checks.
  void PrepareContextMenu(QMenu* menu, QPoint mapAreaPoint);

  Sources s_;
  int highlightedCity_ = -1;  // the city the City Names layer highlighted last; none yet
  QPoint contextPoint_;
  LatLon lastPointer_;
  NearestCityMemo nearestMemo_;
};

}  // namespace meridiana
