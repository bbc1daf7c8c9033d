#include "shell/window/overlay_image.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <utility>

#include "map/view_image.h"
#include "shell/window/map_pixels.h"
#include "shell/window/painter_canvas.h"

namespace meridiana {

namespace {

// Draws the overlays over `view` (width x ratio by height x ratio device pixels) in place.
DibPtr PaintOver(DibPtr view, int width, int height, int ratio, OverlayScene scene) {
  QImage image = DibToQImage(view.get());
  image.setDevicePixelRatio(ratio);
  scene.area = {0, 0, width, height};
  // The view image stops at the base map's edge: beyond it the area is black, with no map.
  const float zoom = scene.view->zoom;
  scene.pictureRight =
      std::min(width, static_cast<int>((kBaseMapWidth - scene.view->EffectiveScrollX()) * zoom));
  scene.pictureBottom =
      std::min(height, static_cast<int>((kBaseMapHeight - scene.view->EffectiveScrollY()) * zoom));
  if (scene.projection != nullptr) {  // a disc: the whole area is the picture
    scene.pictureRight = width;
    scene.pictureBottom = height;
  }
  {
    QPainter painter(&image);
    TextSizeCache texts;  // drawn the way the window draws them
    PainterCanvas canvas(painter, &texts);
    HoverState hover;
    PaintOverlays(canvas, scene, false, hover);
  }
  // Back into the Dib, row by row.
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  const int rows = DibHeight(view.get());
  for (int y = 0; y < rows; ++y)
    std::memcpy(view->rows[static_cast<std::size_t>(y)], bgr.constScanLine(y),
                static_cast<std::size_t>(DibWidth(view.get())) * 3);
  return view;
}

}  // namespace

DibPtr RenderViewWithOverlays(const Dib* composed, int width, int height, OverlayScene scene) {
  if (!DibIsValid(composed) || scene.view == nullptr) return nullptr;
  DibPtr view = BuildViewImage(composed, *scene.view, width, height);
  if (!view) return nullptr;
  return PaintOver(std::move(view), width, height, 1, std::move(scene));
}

DibPtr RenderSharpViewWithOverlays(const Dib* deviceView, int width, int height, int ratio,
                                   OverlayScene scene) {
  if (!DibIsValid(deviceView) || DibBitsPerPixel(deviceView) != 24 || scene.view == nullptr ||
      ratio < 1 || DibWidth(deviceView) != width * ratio || DibHeight(deviceView) != height * ratio)
    return nullptr;
  return PaintOver(DibCopy(deviceView), width, height, ratio, std::move(scene));
}

}  // namespace meridiana
