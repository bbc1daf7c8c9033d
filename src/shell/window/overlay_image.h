#pragma once
// The map as the window shows it, as a picture: the view image of the composed map for an area
// of a given size at the view's zoom and scroll, with the overlays drawn over it by the window's
// own code. What `meridiana-cli render --overlays` writes. Needs a QGuiApplication (the
// offscreen platform will do).

#include "foundation/dib.h"
#include "map/overlays/overlays.h"

namespace meridiana {

// scene.view, scene.world and the layers are the caller's; the area and the picture edges are
// set here. Null when the size is not positive or there is no composed map.
DibPtr RenderViewWithOverlays(const Dib* composed, int width, int height, OverlayScene scene);

}  // namespace meridiana
