#include "shell/map_area.h"

#include <QPainter>

#include "shell/ids.h"

namespace meridiana {

MapArea::MapArea(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("control%1").arg(ids::kMapControl));
  // The map covers every pixel, so the background need not be erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void MapArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(16, 40, 72));
}

}  // namespace meridiana
