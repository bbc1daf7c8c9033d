#pragma once
// The layers drawn over the map, in the order the paint draws them: all cities, the markers of
// the cities near the pointer, the grid, then on every paint (the one-second clock-only paint
// too) the marked cities with their local times, the scale, the highlighted city and the edge
// above the map. Positions are window pixels: the map area's own offset is in `area`.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "map/aurora_grid.h"
#include "map/canvas.h"
#include "map/map_geometry.h"
#include "map/map_projection.h"
#include "map/map_view.h"
#include "world/local_time.h"
#include "world/locale_info.h"
#include "world/world_data.h"

namespace meridiana {

struct OverlayLayers {
  bool allCities = false;
  bool cityNames = false;
  bool grid = false;
  bool marked = false;
  bool info = false;
  bool earthquakes = false;
  bool clouds = false;  // a cloud frame is on the map: the Info layer gives its date
  bool moon = false;
  bool aurora = false;
};

// An earthquake as the map draws it.
struct QuakeMark {
  float longitude = 0.0f;
  float latitude = 0.0f;
  float magnitude = 0.0f;
};

// The words the online and info layers write, in the interface language.
struct OnlineLayerTexts {
  std::string imageDate = "Image Date:";
  std::string am = "am";
  std::string pm = "pm";
  std::string scale = "Scale:";
  std::string moon = "Moon";
};

// The marked cities, kept from one paint to the next: their places in the city list and their
// zones and daylight-saving rules, so that the clock-only paint and the one-second check need not
// go through thousands of cities and hundreds of zones. Marks change only with a full paint to show
// them, so every full paint takes them afresh; any paint does when the tables were replaced.
class MarkedCityIndex {
 public:
  struct Entry {
    std::size_t city = 0;
    CityZone zone;
  };
  // The marked cities of `world` in list order, taken afresh when `rebuild` or when the tables
  // are not those of the last time.
  const std::vector<Entry>& Of(const WorldData& world, bool rebuild);

 private:
  struct Tables {
    const WorldData* world = nullptr;
    const City* cities = nullptr;
    std::size_t cityCount = 0;
    const Zone* zones = nullptr;
    std::size_t zoneCount = 0;
    const DstRule* rules = nullptr;
    std::size_t ruleCount = 0;
    bool operator==(const Tables&) const = default;
  };
  std::optional<Tables> tables_;
  std::vector<Entry> entries_;
};

struct OverlayScene {
  const MapView* view = nullptr;
  MapRect area;          // the map area in window pixels
  int pictureRight = 0;  // right and bottom edges of the part of the area that shows the map
  int pictureBottom = 0;
  const WorldData* world = nullptr;
  const Dib* zoneImage = nullptr;  // for the marked cities' local times; may be null
  const Clock* clock = nullptr;
  const LocaleInfo* locale = nullptr;
  OverlayLayers layers;
  MapPoint pointer;  // window pixels
  // The window position of every city, in city-list order, when the caller has them at hand
  // (the paint projects the cities once for both city layers).
  const std::vector<MapPoint>* cityPoints = nullptr;
  const std::vector<QuakeMark>* quakes = nullptr;  // may be null: only the legend is drawn
  // The time stamp of the cloud frame on display (YYYYMMDDHH...), empty for none.
  std::string cloudTime;
  OnlineLayerTexts texts;
  // Where the earthquakes and the cloud frame came from ("USGS, 3 min ago"); empty for none.
  std::string quakeSource;
  std::string cloudSource;
  // The aurora forecast the Aurora layer draws (null or empty: none), and the line the Info
  // layer gives it ("Aurora forecast 2025-01-12 22:51 UTC"); empty for none.
  const AuroraGrid* aurora = nullptr;
  std::string auroraLine;
  // The part of the window the paint can change (a pointer move repaints a few small
  // rectangles); city markers outside it are not drawn. Empty means everywhere.
  MapRect clip;
  // Every label at its fixed offset, plain text on the map: the earlier look. Otherwise each
  // marked-city label goes where it fits and the text without a background gets a halo.
  bool fixedLabels = false;
  // Kept by the caller across paints; null: the marked cities are looked for on every paint.
  MarkedCityIndex* markedIndex = nullptr;
  // The map drawn as a disc (render and the wallpaper): every place goes where the projection
  // puts it, in the area's pixels, and the places it hides are not drawn. Null: the view's map.
  const MapProjection* projection = nullptr;
};

// The window position of a place, through the projection when the scene has one; a place the
// projection hides is put far outside every area, where no layer draws.
inline constexpr MapPoint kHiddenPlace{-1000000, -1000000};
MapPoint PlaceWindowPoint(const OverlayScene& scene, double longitude, double latitude);

// What the City Names layer found under the pointer, for the next paint and the status bar.
struct HoverState {
  int city = -1;      // index into the city list
  MapRect labelRect;  // the rectangles a pointer move must repaint: the label and the marker
  MapRect markerRect;
  std::string statusText;  // the hover city's country (or name) for status pane 0
};

// The window position of a city; the second form takes it from `cityPoints` when present.
MapPoint CityWindowPoint(const OverlayScene& scene, const City& city);
MapPoint CityWindowPoint(const OverlayScene& scene, std::size_t index);

void DrawAllCities(Canvas& canvas, const OverlayScene& scene);
void DrawCityNameMarkers(Canvas& canvas, const OverlayScene& scene, HoverState& hover);
void DrawGrid(Canvas& canvas, const OverlayScene& scene);
void DrawMarkedCities(Canvas& canvas, const OverlayScene& scene);
// A marked city's label as the layer writes it ("14:05 Berlin"), empty for none; and every
// marked city's, in list order, with the layer on. A clock tick whose labels are those of the
// last paint has nothing new to show.
std::string MarkedCityLabel(const OverlayScene& scene, const City& city, MapPoint base);
std::vector<std::string> MarkedCityLabels(const OverlayScene& scene);
void DrawInfo(Canvas& canvas, const OverlayScene& scene);
void DrawCityNameHighlight(Canvas& canvas, const OverlayScene& scene, HoverState& hover);
void DrawTopEdge(Canvas& canvas, const OverlayScene& scene);
void DrawEarthquakes(Canvas& canvas, const OverlayScene& scene);
void DrawCloudDate(Canvas& canvas, const OverlayScene& scene);

// The Aurora layer: the forecast's probability as a translucent green glow on the night side,
// drawn before the other layers (it lies on the ground). The glow fades in with the dark: none
// where the Sun stands at or above the horizon, full where it is 6 degrees or more below.
void DrawAurora(Canvas& canvas, const OverlayScene& scene);
// How much of the glow the dark lets through at a solar elevation (degrees): 0 to 1.
float AuroraNightWeight(double sunElevation);
// The glow's opacity (0 to 1) at each point of the grid for an instant, row after row as the
// grid holds them; empty when the grid is empty or the solar routine refuses the instant.
std::vector<float> AuroraOpacity(const AuroraGrid& grid, TimeValue now);
// Where the Info layer writes the aurora's line, left of the scale and the cloud date; empty
// without a line.
std::optional<MapRect> AuroraLineRect(Canvas& canvas, const OverlayScene& scene);
void DrawAuroraLine(Canvas& canvas, const OverlayScene& scene);

// The Moon's disc as the Moon layer draws it: its centre in window pixels and its phase.
struct MoonMark {
  MapPoint centre;
  double illuminatedFraction = 0;
  double phaseAngle = 0;  // 0 full .. 180 new
  double litBearing = 0;  // the lit side, clockwise from north
};
inline constexpr int kMoonRadius = 6;        // window pixels
inline constexpr int kMoonHoverRadius = 12;  // the pointer this near shows the name
MoonMark MoonMarkAt(const OverlayScene& scene, TimeValue now);
// Whether the point (dx, dy) of the unit disc (x right, y down) is sunlit.
bool MoonPixelLit(double dx, double dy, double phaseAngle, double litBearing);
void DrawMoon(Canvas& canvas, const OverlayScene& scene);

// The colour class of a magnitude, 0 (2 or less) to 7 (above 8).
int QuakeClass(float magnitude);
// "Image Date: 15/06 2pm" for 2005061514 (12am for hour 0); empty for a stamp too short to read.
std::string CloudDateText(std::string_view stamp, const OnlineLayerTexts& texts);
// The same in the locale's short date and hour ("Image Date: 6/15/05 2:00 PM"); the fixed form
// when the locale has no formats.
std::string CloudDateText(std::string_view stamp, const OnlineLayerTexts& texts,
                          const LocaleInfo& locale);

// Where the text the Info layer writes stands: the scale, and the cloud date with its source
// when Clouds is on. Marked-city and grid labels keep off these.
std::vector<MapRect> InfoTextRects(Canvas& canvas, const OverlayScene& scene);

// Where the cloud date and its source stand when Clouds is on and the frame has a date.
std::vector<MapRect> CloudDateRects(Canvas& canvas, const OverlayScene& scene);
// What a marked-city label keeps off, besides the other labels: the Info texts and the grid
// labels, when those layers are on.
std::vector<MapRect> LabelObstacles(Canvas& canvas, const OverlayScene& scene);

// The four places a marked city's label may take around its 6 x 6 square at (left, top), in
// the order they are tried: right, left, above, below.
std::vector<MapRect> LabelCandidates(int squareLeft, int squareTop, TextSize label);
// The first candidate wholly inside `visible` that meets none of `taken`; nullopt when none fits.
std::optional<MapRect> PlaceLabel(const std::vector<MapRect>& candidates, const MapRect& visible,
                                  const std::vector<MapRect>& taken);
// The part of the area that shows map pixels.
MapRect VisibleMap(const OverlayScene& scene);
bool Intersects(const MapRect& a, const MapRect& b);

// Text without a background; with a thin halo in the contrasting colour unless the scene asks
// for the fixed labels.
void OverlayText(Canvas& canvas, const OverlayScene& scene, int x, int y, std::string_view text,
                 Rgb colour);

// The whole overlay paint; a clock-only paint draws just the layers that change every second.
void PaintOverlays(Canvas& canvas, const OverlayScene& scene, bool clockOnly, HoverState& hover);

}  // namespace meridiana
