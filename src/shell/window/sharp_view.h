#pragma once
// The map area's picture at the screen's own resolution: when the view shows fewer base-map
// pixels than it has device pixels (zoomed in, or a device pixel ratio above 1), the visible part
// of the map is composed and shaded again at device resolution from the sharp pictures, instead
// of repeating the base map's pixels. Positions stay in base-map pixels; only the picture is
// finer.

#include <memory>

#include "foundation/dib.h"
#include "map/map_geometry.h"
#include "map/map_view.h"
#include "map/sharp_map.h"

namespace meridiana {

class Compositor;
class MapImages;

// The frame a view of `area` at `ratio` device pixels per window pixel shows.
SharpFrame ViewFrame(const MapView& view, int width, int height, double ratio);

class SharpViewCache {
 public:
  // The device-resolution view, or null when the base view image serves (the view needs no more
  // pixels than the base map has, or there is no composed map). Rebuilt only when the area, the
  // zoom, an effective scroll or the ratio changed, or the composed map was marked changed.
  const Dib* Update(const MapImages& images, const Compositor& compositor, bool composedChanged,
                    const MapRect& area, const MapView& view, double ratio);
  bool rebuilt() const { return rebuilt_; }
  const Dib* image() const { return image_; }
  // Lets the view and the pictures sampled for it go (on minimise, before pictures are freed).
  void Clear();

 private:
  std::unique_ptr<SharpImagery> imagery_;
  // The pictures sampled for the last frame are kept, so a shadow refresh only shades again.
  SharpComposer composer_;
  DibPtr filtered_;  // the composed map filtered up, when the view is not composed afresh
  const Dib* image_ = nullptr;
  MapRect rect_;
  float zoom_ = 0;
  int scrollX_ = 0;
  int scrollY_ = 0;
  double ratio_ = 0;
  bool rebuilt_ = false;
};

}  // namespace meridiana
