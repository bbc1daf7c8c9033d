#pragma once
// The window's view for `render`: the map area's size, zoom and scroll, and the overlays drawn
// over it by the window's own code (--overlays, --mark, --config, --quakes, --aurora, --pointer,
// --size,
// --zoom, --scroll, --labels).

#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/map_projection.h"

namespace meridiana::cli {

struct ViewOptions {
  bool requested = false;  // any of the options was given
  std::vector<std::string> overlays;
  std::vector<std::string> marks;
  std::string config;
  std::string quakes;  // a saved earthquake reply of the service, for the quakes layer
  std::string aurora;  // an aurora forecast in the forecaster's JSON, for the aurora layer
  int pointerX = -1000;
  int pointerY = -1000;
  int width = 1024;
  int height = 512;
  float zoom = 1.0f;
  int scrollX = 0;
  int scrollY = 0;
  double center = 0;  // the longitude at the middle of the map (render's --center)
  // Labels at their fixed offsets without halos, instead of placed where they fit.
  bool fixedLabels = false;
  // The Earth as a disc centred on (centerLatitude, center) instead of the rectangular map
  // (--projection, --center-lat); the disc is then the sharp view RenderView is given.
  ProjectionKind projection = ProjectionKind::kRectangular;
  double centerLatitude = 0;
};

// Takes one option with its value; false with a reason when the value is bad. Options that are
// not view options are left alone: handled tells which.
bool ParseViewOption(const std::string& flag, const std::string& value, ViewOptions& options,
                     bool& handled, std::string& error);

// Whether the view has anything drawn over the map (or a city or file to read for it), which
// takes the window's drawing code; a view without only cuts and scales the composed map.
bool ViewDrawsOverlays(const ViewOptions& options);

// The composed map as the window would show it at that instant; zones (the time-zone picture)
// gives the marked cities their offsets. Null with a reason on failure.
// With sharpView (made at `scale` device pixels per view pixel), that picture stands for the
// view image and the overlays are drawn over it at its resolution.
DibPtr RenderView(const Dib* composed, const Dib* zones, const ViewOptions& options,
                  const std::string& dataFolder, TimeValue instant, std::string& error,
                  const Dib* sharpView = nullptr, int scale = 1);

}  // namespace meridiana::cli
