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

void PainterCanvas::Line(int x0, int y0, int x1, int y1, Rgb pen) {
  QPen solid(ToQColor(pen));
  solid.setWidth(1);
  solid.setCosmetic(true);
  painter_.setPen(solid);
  painter_.drawLine(x0, y0, x1, y1);
}

void PainterCanvas::Text(int x, int y, std::string_view text, Rgb colour,
                         std::optional<Rgb> background) {
  const QString shown = ToQString(text);
  const QFontMetrics metrics(painter_.font());
  if (background) {
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()),
                      ToQColor(*background));
  }
  painter_.setPen(ToQColor(colour));
  painter_.drawText(x, y + metrics.ascent(), shown);
}

}  // namespace meridiana
