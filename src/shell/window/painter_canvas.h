#pragma once
// The overlays' Canvas on a QPainter: the map area on screen (at the screen's own resolution, so
// text and markers stay sharp on HiDPI displays) or an image for the command line.

#include <QFontMetrics>
#include <QPainter>
#include <optional>

#include "map/canvas.h"

namespace meridiana {

class PainterCanvas : public Canvas {
 public:
  // The map's texts take their direction from their own letters, not from the interface's: a
  // grid label "-10.0" keeps its sign in front under a right-to-left language.
  explicit PainterCanvas(QPainter& painter) : painter_(painter) {
    painter_.setLayoutDirection(Qt::LayoutDirectionAuto);
  }
  void FillRect(int left, int top, int right, int bottom, Rgb colour) override;
  void Line(int x0, int y0, int x1, int y1, Rgb pen) override;
  void Text(int x, int y, std::string_view text, Rgb colour,
            std::optional<Rgb> background) override;
  void Outline(int left, int top, int right, int bottom, Rgb pen) override;
  void Ellipse(int left, int top, int right, int bottom, Rgb pen, Rgb fill) override;
  TextSize MeasureText(std::string_view text) override;

 private:
  // Thousands of markers share a few pens: the painter's pen changes only with the colour.
  void UsePen(Rgb pen);
  const QFontMetrics& Metrics();

  QPainter& painter_;
  std::optional<Rgb> pen_;
  std::optional<QFontMetrics> metrics_;  // the painter's font does not change while it draws
};

}  // namespace meridiana
