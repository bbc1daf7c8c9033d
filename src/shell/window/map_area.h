#pragma once
// The map control (id 1011): paints the visible part of the composed map and turns the mouse
// into the view's gestures. The left button scrolls by dragging, the right button zooms by
// dragging (a right click that did not zoom asks for the context menu), the wheel zooms. What the
// map is drawn from (view state, images, compositor) belongs to the main window.

#include <QPixmap>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "map/map_geometry.h"
#include "map/overlays/overlays.h"
#include "map/view_image.h"
#include "shell/window/painter_canvas.h"
#include "shell/window/sharp_view.h"

namespace meridiana {

class Compositor;
class MapImages;
struct MapView;
struct Settings;

// What the online layers show: the earthquakes and the date of the cloud frame on the map.
struct OnlineLayerView {
  bool earthquakes = false;
  std::vector<QuakeMark> quakes;
  bool clouds = false;
  std::string cloudTime;
  OnlineLayerTexts texts;
  std::string quakeSource;  // the earthquake legend's source line; empty for none
  std::string cloudSource;  // the cloud frame's source, beside its date; empty for none
  AuroraGrid aurora;        // the aurora forecast; empty for none
  std::string auroraLine;   // its line on the Info layer; empty for none
};

class MapArea : public QWidget {
  Q_OBJECT

 public:
  explicit MapArea(QWidget* parent = nullptr);

  // What the map is drawn from. Until it is set the area is plain and the mouse does nothing.
  void SetSources(MapView* view, const MapImages* images, Compositor* compositor);

  // What the overlays are drawn from; without it the map has none.
  void SetOverlaySources(const WorldData* world, const Settings* settings, const Clock* clock,
                         const LocaleInfo* locale);
  // The online layers' state, owned by the window; null for none.
  void SetOnlineLayers(const OnlineLayerView* online) { online_ = online; }
  // The one-second paint: only the layers that change with the clock are drawn, over the
  // picture already on screen.
  void RedrawClock();
  const HoverState& hover() const { return hover_; }

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
  const Dib* viewImage() const { return sharpShown_ ? sharp_.image() : cache_.image(); }
  int viewImageBuilds() const { return viewImageBuilds_; }

 signals:
  // The pointer moved over the area (area coordinates), after any drag handling.
  void pointerMoved(QPoint position);
  // The pointer left the area.
  void pointerLeft();
  // A right click that ended without zooming: the place where the map's context menu opens.
  void contextMenuRequested(QPoint position);
  // A double click with the left button.
  void doubleClicked(QPoint position);
  // City Names found a city under the pointer: its country (or name) for the status bar.
  void hoverStatus(const QString& text);
  // The map is on the screen for the first time: work that can wait for it may start.
  void firstMapPainted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // The layers drawn over the map (cities, grid, labels, earthquakes).
  // clip: the part of the area this paint can change.
  void PaintOverlays(QPainter& painter, bool clockOnly, const QRect& clip);
  // The overlays' scene for a paint that can change `clip`; false when there is nothing to draw.
  bool Scene(const QRect& clip, OverlayScene& scene) const;
  // What a pointer move repaints for City Names at the current pointer.
  QRegion HoverRegion() const;

  MapView* view_ = nullptr;
  const MapImages* images_ = nullptr;
  Compositor* compositor_ = nullptr;
  ViewImageCache cache_;
  SharpViewCache sharp_;  // the view at device resolution, with the "sharp" setting
  bool sharpShown_ = false;
  QPixmap pixmap_;  // the view image as the screen wants it; rebuilt with the cache
  int viewImageBuilds_ = 0;
  const WorldData* world_ = nullptr;
  const Settings* settings_ = nullptr;
  const Clock* clock_ = nullptr;
  const LocaleInfo* locale_ = nullptr;
  const OnlineLayerView* online_ = nullptr;
  HoverState hover_;
  TextSizeCache textSizes_;
  mutable MarkedCityIndex markedIndex_;  // the scene hands it to the paint, which updates it
  // The marked cities' labels as the last paint wrote them.
  std::vector<std::string> paintedLabels_;
  QPoint pointer_{-1000, -1000};
  bool clockOnly_ = false;
  int mapCopies_ = 0;

 public:
  // How many paints copied the map picture (a clock-only paint does not).
  int mapCopies() const { return mapCopies_; }
};

}  // namespace meridiana
