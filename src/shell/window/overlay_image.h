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

// The same over a view already made at `ratio` device pixels per window pixel (a sharp view of
// width x ratio by height x ratio pixels): the overlays are drawn at that resolution, as the
// window draws them on a screen with that device pixel ratio.
DibPtr RenderSharpViewWithOverlays(const Dib* deviceView, int width, int height, int ratio,
                                   OverlayScene scene);

}  // namespace meridiana
