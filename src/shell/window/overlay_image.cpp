#include "shell/window/overlay_image.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "map/view_image.h"
#include "shell/window/map_pixels.h"
#include "shell/window/painter_canvas.h"

namespace meridiana {

DibPtr RenderViewWithOverlays(const Dib* composed, int width, int height, OverlayScene scene) {
  if (!DibIsValid(composed) || scene.view == nullptr) return nullptr;
  DibPtr view = BuildViewImage(composed, *scene.view, width, height);
  if (!view) return nullptr;
  QImage image = DibToQImage(view.get()).convertToFormat(QImage::Format_RGB32);
  scene.area = {0, 0, width, height};
  // The view image stops at the base map's edge: beyond it the area is black, with no map.
  const float zoom = scene.view->zoom;
  scene.pictureRight =
      std::min(width, static_cast<int>((kBaseMapWidth - scene.view->EffectiveScrollX()) * zoom));
  scene.pictureBottom =
      std::min(height, static_cast<int>((kBaseMapHeight - scene.view->EffectiveScrollY()) * zoom));
  {
    QPainter painter(&image);
    TextSizeCache texts;  // drawn the way the window draws them
    PainterCanvas canvas(painter, &texts);
    HoverState hover;
    PaintOverlays(canvas, scene, false, hover);
  }
  // Back into the Dib, row by row.
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  for (int y = 0; y < height; ++y)
    std::memcpy(view->rows[static_cast<std::size_t>(y)], bgr.constScanLine(y),
                static_cast<std::size_t>(width) * 3);
  return view;
}

}  // namespace meridiana
