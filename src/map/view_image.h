#pragma once
// The view image: the part of the composed map that the map area shows, at the view's zoom and
// scroll. The paint draws it; overlays go on top.

#include "foundation/dib.h"
#include "map/map_geometry.h"
#include "map/map_view.h"

namespace meridiana {

// A new 24-bit image of width x height: view row j shows source row trunc(j / zoom) + effective
// scroll y, view column i source column trunc(i / zoom) + effective scroll x. Where that falls
// outside the composed map the view stays black; nothing outside it is read. Null when the size
// is not positive. An unusable zoom (0, negative, not a number) gives an all-black image.
DibPtr BuildViewImage(const Dib* composed, const MapView& view, int width, int height);

// Keeps the last view image and rebuilds it only when the area's rectangle, the zoom or an
// effective scroll changed, or the composed map was marked changed.
class ViewImageCache {
 public:
  // The view image for the area, or null when there is no composed map or the area is empty.
  // composedChanged is the compositor's changed mark; the caller clears it afterwards.
  const Dib* Update(const Dib* composed, bool composedChanged, const MapRect& area,
                    const MapView& view);

  // Whether the last Update built a new image (the rest of the time it reused the cached one).
  bool rebuilt() const { return rebuilt_; }
  const Dib* image() const { return image_.get(); }

  // Drops the cached image (on minimise), so the next Update rebuilds.
  void Clear() { image_.reset(); }

 private:
  DibPtr image_;
  MapRect rect_;
  float zoom_ = 0;
  int scrollX_ = 0;
  int scrollY_ = 0;
  bool rebuilt_ = false;
};

}  // namespace meridiana
