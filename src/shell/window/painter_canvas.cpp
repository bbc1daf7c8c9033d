#include "shell/window/painter_canvas.h"

#include <QFontMetrics>
#include <utility>

#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

void PainterCanvas::FillRect(int left, int top, int right, int bottom, Rgb colour) {
  if (right > left && bottom > top)
    painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(colour));
}

void PainterCanvas::UsePen(Rgb pen) {
  if (pen_ == pen) return;
  QPen solid(ToQColor(pen));
  solid.setWidth(1);
  solid.setCosmetic(true);
  painter_.setPen(solid);
  pen_ = pen;
}

void PainterCanvas::Line(int x0, int y0, int x1, int y1, Rgb pen) {
  UsePen(pen);
  painter_.drawLine(x0, y0, x1, y1);
}

void PainterCanvas::Outline(int left, int top, int right, int bottom, Rgb pen) {
  // Four filled edges: the raster engine fills whole-pixel rectangles much faster than it
  // strokes, and thousands of city markers are drawn this way.
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const QColor colour = ToQColor(pen);
  const int width = right - left + 1;
  const int height = bottom - top + 1;
  painter_.fillRect(QRect(left, top, width, 1), colour);
  if (height > 1) painter_.fillRect(QRect(left, bottom, width, 1), colour);
  if (height > 2) {
    painter_.fillRect(QRect(left, top + 1, 1, height - 2), colour);
    if (width > 1) painter_.fillRect(QRect(right, top + 1, 1, height - 2), colour);
  }
}

void PainterCanvas::Ellipse(int left, int top, int right, int bottom, Rgb pen, Rgb fill) {
  UsePen(pen);
  painter_.setBrush(ToQColor(fill));
  painter_.drawEllipse(QRect(left, top, right - left, bottom - top));
  painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::Text(int x, int y, std::string_view text, Rgb colour,
                         std::optional<Rgb> background) {
  const QString shown = ToQString(text);
  const QFontMetrics& metrics = Metrics();
  if (background) {
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()),
                      ToQColor(*background));
  }
  painter_.setPen(ToQColor(colour));
  pen_.reset();
  painter_.drawText(x, y + metrics.ascent(), shown);
}

const QFontMetrics& PainterCanvas::Metrics() {
  if (!metrics_) metrics_.emplace(painter_.font());
  return *metrics_;
}

TextSize PainterCanvas::MeasureText(std::string_view text) {
  const QFontMetrics& metrics = Metrics();
  return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

}  // namespace meridiana
