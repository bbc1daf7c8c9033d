#include "shell/painter_canvas.h"

#include <QFontMetrics>

#include "shell/qt_text.h"

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
  UsePen(pen);
  painter_.setBrush(Qt::NoBrush);
  // A 1-pixel outline of QRect(x, y, w, h) covers x to x + w, so the corners are both drawn.
  painter_.drawRect(QRect(left, top, right - left, bottom - top));
}

void PainterCanvas::Text(int x, int y, std::string_view text, Rgb colour,
                         std::optional<Rgb> background) {
  const QString shown = ToQString(text);
  if (!metrics_) metrics_.emplace(painter_.font());
  const QFontMetrics& metrics = *metrics_;
  if (background) {
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()),
                      ToQColor(*background));
  }
  painter_.setPen(ToQColor(colour));
  pen_.reset();
  painter_.drawText(x, y + metrics.ascent(), shown);
}

}  // namespace meridiana
