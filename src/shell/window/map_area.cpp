#include "shell/window/map_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <utility>

#include "map/base_images.h"
#include "map/compose.h"
#include "map/map_view.h"
#include "shell/app/ids.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/app/startup_report.h"
#include "shell/window/map_pixels.h"
#include "shell/window/painter_canvas.h"

namespace meridiana {

namespace {

MapPoint ToMapPoint(QPoint point) { return {point.x(), point.y()}; }

QRect ToQRect(const MapRect& r) { return QRect(r.left, r.top, r.width, r.height); }

}  // namespace

MapArea::MapArea(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("control%1").arg(ids::kMapControl));
  // The map covers every pixel, so the background need not be erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void MapArea::SetSources(MapView* view, const MapImages* images, Compositor* compositor) {
  view_ = view;
  images_ = images;
  compositor_ = compositor;
  ReleaseViewImage();
}

void MapArea::Redraw() {
  if (isVisible()) {
    repaint();
  } else {
    update();
  }
}

void MapArea::Fit() {
  if (view_ == nullptr) return;
  FitToWidth(*view_, width());
  Redraw();
}

void MapArea::ReleaseViewImage() {
  cache_.Clear();
  sharp_.Clear();
  pixmap_ = QPixmap();
}

MapRect MapArea::AreaRect() const {
  const QPoint origin = window() != nullptr ? mapTo(window(), QPoint(0, 0)) : QPoint(0, 0);
  return {origin.x(), origin.y(), width(), height()};
}

void MapArea::SetOverlaySources(const WorldData* world, const Settings* settings,
                                const Clock* clock, const LocaleInfo* locale) {
  world_ = world;
  settings_ = settings;
  clock_ = clock;
  locale_ = locale;
  // The clock-only paint draws over what is on screen, so Qt must not clear the area first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapArea::RedrawClock() {
  // A hidden area is not painted: the flag below would then make its next paint, a whole one
  // when it shows again, a clock-only one over nothing.
  if (pixmap_.isNull() || !isVisible()) return;
  // The labels show hours and minutes: in most seconds nothing on the map changes, and then
  // neither the paint nor the copy to the screen is worth doing.
  OverlayScene scene;
  if (Scene(rect(), scene) && MarkedCityLabels(scene) == paintedLabels_) return;
  clockOnly_ = true;
  repaint();
}

QRegion MapArea::HoverRegion() const {
  // The marker and label of the last paint, the pointer, and the markers around the pointer
  // that the next paint draws.
  QRegion region = ToQRect(hover_.labelRect);
  region += ToQRect(hover_.markerRect);
  region += QRect(pointer_.x() - 1, pointer_.y() - 1, 2, 2);
  const int r = view_ != nullptr ? static_cast<int>(40 * view_->zoom) : 40;
  region += QRect(pointer_.x() - r - 10, pointer_.y() - r - 10, 2 * r + 100, 2 * r + 20);
  return region & rect();
}

bool MapArea::Scene(const QRect& clip, OverlayScene& scene) const {
  if (view_ == nullptr || world_ == nullptr || settings_ == nullptr || pixmap_.isNull())
    return false;
  scene.view = view_;
  scene.area = {0, 0, width(), height()};
  const QSize picture = pixmap_.deviceIndependentSize().toSize();
  scene.pictureRight = std::min(width(), picture.width());
  scene.pictureBottom = std::min(height(), picture.height());
  scene.world = world_;
  scene.zoneImage = images_ != nullptr ? images_->zones() : nullptr;
  scene.clock = clock_;
  scene.markedIndex = &markedIndex_;
  scene.locale = locale_;
  scene.layers.allCities = settings_->cities != 0;
  scene.layers.cityNames = settings_->track != 0;
  scene.layers.grid = settings_->grid != 0;
  scene.layers.marked = settings_->marked != 0;
  scene.layers.info = settings_->info != 0;
  scene.layers.moon = settings_->moon != 0;
  scene.layers.aurora = settings_->aurora != 0;
  if (online_ != nullptr) {
    scene.layers.earthquakes = online_->earthquakes;
    scene.quakes = &online_->quakes;
    scene.layers.clouds = online_->clouds;
    scene.cloudTime = online_->cloudTime;
    scene.texts = online_->texts;
    scene.quakeSource = online_->quakeSource;
    scene.cloudSource = online_->cloudSource;
    scene.aurora = &online_->aurora;
    scene.auroraLine = online_->auroraLine;
  }
  scene.pointer = {pointer_.x(), pointer_.y()};
  if (clip != rect()) scene.clip = {clip.x(), clip.y(), clip.width(), clip.height()};
  return true;
}

void MapArea::PaintOverlays(QPainter& painter, bool clockOnly, const QRect& clip) {
  OverlayScene scene;
  if (!Scene(clip, scene)) return;
  PainterCanvas canvas(painter, &textSizes_);
  const std::string before = hover_.statusText;
  meridiana::PaintOverlays(canvas, scene, clockOnly, hover_);
  paintedLabels_ = MarkedCityLabels(scene);
  if (scene.layers.cityNames && hover_.city >= 0 && hover_.statusText != before)
    emit hoverStatus(ToQString(hover_.statusText));
}

void MapArea::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const bool clockOnly = clockOnly_;
  clockOnly_ = false;
  if (clockOnly && !pixmap_.isNull()) {
    PaintOverlays(painter, true, rect());
    return;
  }
  const Dib* image = nullptr;
  if (view_ != nullptr && images_ != nullptr) {
    bool changed = compositor_ != nullptr && compositor_->changed();
    const double ratio = devicePixelRatioF();
    const Dib* sharp =
        settings_ != nullptr && settings_->sharp != 0 && compositor_ != nullptr
            ? sharp_.Update(*images_, *compositor_, changed, AreaRect(), *view_, ratio)
            : nullptr;
    // While the sharp view is on screen the base map need not be composed; once the base view
    // serves again it is made current first.
    if (compositor_ != nullptr) {
      compositor_->SetBaseDeferred(sharp != nullptr);
      if (sharp == nullptr && compositor_->baseStale()) {
        compositor_->EnsureComposed();
        changed = true;
      }
    }
    if (sharp != nullptr) {
      // The other cache missed this paint's changes: it starts afresh when it serves again.
      cache_.Clear();
      sharpShown_ = true;
      image = sharp;
      if (sharp_.rebuilt()) {
        QImage device = DibToQImage(image);
        device.setDevicePixelRatio(ratio);
        pixmap_ = QPixmap::fromImage(std::move(device));
        ++viewImageBuilds_;
      }
    } else {
      if (sharpShown_) sharp_.Clear();
      sharpShown_ = false;
      image = cache_.Update(images_->composed(), changed, AreaRect(), *view_);
      if (cache_.rebuilt()) {
        pixmap_ = QPixmap::fromImage(DibToQImage(image));
        ++viewImageBuilds_;
      }
    }
    if (changed) compositor_->ClearChanged();
  }
  if (image == nullptr || pixmap_.isNull()) {
    // No composed map (the day image could not be loaded): the area stays empty.
    pixmap_ = QPixmap();
    painter.fillRect(rect(), Qt::black);
  } else {
    // Black beyond the map's edge only: filling the whole area first costs as much again as
    // drawing the map.
    const QRect picture(QPoint(0, 0), pixmap_.deviceIndependentSize().toSize());
    for (const QRect& beyond : QRegion(rect()).subtracted(picture))
      painter.fillRect(beyond, Qt::black);
    painter.drawPixmap(0, 0, pixmap_);
    if (mapCopies_++ == 0) {
      ReportStartupMoment("first-paint");
      QMetaObject::invokeMethod(this, &MapArea::firstMapPainted, Qt::QueuedConnection);
    }
  }
  PaintOverlays(painter, false, event->region().boundingRect());
  // A highlight that moved beyond what this paint could change is drawn by the next one.
  const QRegion missing =
      (QRegion(ToQRect(hover_.labelRect)) + ToQRect(hover_.markerRect) - event->region()) & rect();
  if (hover_.city >= 0 && !missing.isEmpty()) update(missing);
}

void MapArea::resizeEvent(QResizeEvent*) {
  if (view_ == nullptr) return;
  // Until the user picks a zoom the map always fills the width.
  if (!view_->userZoom) {
    Fit();
  } else {
    Redraw();
  }
}

void MapArea::mousePressEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  const MapPoint screen = ToMapPoint(event->globalPosition().toPoint());
  if (event->button() == Qt::LeftButton) {
    ScrollDragPress(*view_, screen);
  } else if (event->button() == Qt::RightButton) {
    ZoomDragPress(*view_, screen);
  }
}

void MapArea::mouseMoveEvent(QMouseEvent* event) {
  if (view_ != nullptr) {
    const MapPoint screen = ToMapPoint(event->globalPosition().toPoint());
    bool redraw = false;
    if (view_->dragging && ScrollDragMove(*view_, screen, width(), height())) redraw = true;
    if (view_->zoomDragging && ZoomDragMove(*view_, screen, width())) redraw = true;
    if (redraw) Redraw();
  }
  // The City Names markers and highlight follow the pointer: what they drew last and what they
  // draw next is repainted, not the whole map.
  const bool track = settings_ != nullptr && settings_->track != 0;
  const bool dragging = view_ != nullptr && (view_->dragging || view_->zoomDragging);
  QRegion changed = track && !dragging ? HoverRegion() : QRegion();
  pointer_ = event->position().toPoint();
  if (track && !dragging) {
    changed += HoverRegion();
    if (isVisible()) {
      repaint(changed);
    } else {
      update(changed);
    }
  }
  emit pointerMoved(event->position().toPoint());
}

void MapArea::leaveEvent(QEvent*) {
  emit pointerLeft();
  // The markers around the pointer go when it leaves the map.
  if (settings_ == nullptr || settings_->track == 0) return;
  update(HoverRegion());
  pointer_ = QPoint(-1000, -1000);
}

void MapArea::mouseReleaseEvent(QMouseEvent* event) {
  if (view_ == nullptr) return;
  if (event->button() == Qt::LeftButton) {
    if (view_->dragging) ScrollDragRelease(*view_);
    return;
  }
  if (event->button() != Qt::RightButton) return;
  const QPoint position = event->position().toPoint();
  const QPoint client = window() != nullptr ? mapTo(window(), position) : position;
  const bool wasDragging = view_->zoomDragging;
  const bool click =
      ZoomDragRelease(*view_, ToMapPoint(event->globalPosition().toPoint()), ToMapPoint(client));
  if (click) emit contextMenuRequested(position);
  if (wasDragging) Redraw();
}

void MapArea::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click starts no drag.
  if (event->button() == Qt::LeftButton) emit doubleClicked(event->position().toPoint());
}

void MapArea::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (view_ == nullptr || delta == 0) {
    event->ignore();
    return;
  }
  if (settings_ == nullptr || settings_->zoomAnchor != 0) {
    WheelZoomAt(*view_, delta, ToMapPoint(event->position().toPoint()), width(), height());
  } else {
    WheelZoom(*view_, delta, width());
  }
  Redraw();
  event->accept();
}

}  // namespace meridiana
