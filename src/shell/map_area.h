#pragma once
// The map control (id 1011): paints the visible part of the composed map and turns the mouse
// into the view's gestures. The left button scrolls by dragging, the right button zooms by
// dragging (a right click that did not zoom asks for the context menu), the wheel zooms. What the
// map is drawn from (view state, images, compositor) belongs to the main window.

#include <QPixmap>
#include <QWidget>

#include "map/map_geometry.h"
#include "map/view_image.h"

namespace meridiana {

class Compositor;
class MapImages;
struct MapView;

class MapArea : public QWidget {
  Q_OBJECT

 public:
  explicit MapArea(QWidget* parent = nullptr);

  // What the map is drawn from. Until it is set the area is plain and the mouse does nothing.
  void SetSources(MapView* view, const MapImages* images, Compositor* compositor);

  // Invalidates the whole area and repaints it at once.
  void Redraw();
  // No scroll, the map fills the width, and resizes refit it again until the user zooms; then
  // redraws.
  void Fit();
  // Drops the view image (while minimised); the next paint builds it again.
  void ReleaseViewImage();

  // The area's rectangle in the main window's client coordinates.
  MapRect AreaRect() const;

  // The view image of the last paint (null when there was no map) and how many times a paint
  // had to build it.
  const Dib* viewImage() const { return cache_.image(); }
  int viewImageBuilds() const { return viewImageBuilds_; }

 signals:
  // The pointer moved over the area (area coordinates), after any drag handling.
  void pointerMoved(QPoint position);
  // A right click that ended without zooming: the place where the map's context menu opens.
  void contextMenuRequested(QPoint position);
  // A double click with the left button.
  void doubleClicked(QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // The layers drawn over the map (cities, grid, labels, earthquakes) go here.
  void PaintOverlays(QPainter& painter) { (void)painter; }

  MapView* view_ = nullptr;
  const MapImages* images_ = nullptr;
  Compositor* compositor_ = nullptr;
  ViewImageCache cache_;
  QPixmap pixmap_;  // the view image as the screen wants it; rebuilt with the cache
  int viewImageBuilds_ = 0;
};

}  // namespace meridiana
