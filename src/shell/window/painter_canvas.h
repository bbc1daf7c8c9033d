#pragma once
// The overlays' Canvas on a QPainter: the map area on screen (at the screen's own resolution, so
// text and markers stay sharp on HiDPI displays) or an image for the command line.

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QPainter>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "map/canvas.h"

namespace meridiana {

// Texts kept from one paint to the next, for one font, measured and shaped once: the grid's
// labels, the scale and the marked cities' labels come back on every paint, most every second.
class TextSizeCache {
 public:
  struct Entry {
    TextSize size;
    // The shaped glyphs, their baseline at the font's ascent (in 1/64 pixels, as the font
    // engine gives it). Drawn `shift` lower than the box's top they stand on the baseline
    // drawing the text puts at the ascent rounded to a whole pixel, so they give its pixels.
    // Empty when the text took more than one line (then it is drawn the ordinary way).
    QList<QGlyphRun> runs;
    qreal shift = 0;
  };
  // The entry of `text` in `font` for a painter with `direction`, made the first time.
  const Entry& Get(const QFont& font, Qt::LayoutDirection direction, std::string_view text);

 private:
  QFont font_;
  Qt::LayoutDirection direction_ = Qt::LeftToRight;
  std::optional<QFontMetrics> metrics_;
  std::unordered_map<std::string, Entry> entries_;
};

class PainterCanvas : public Canvas {
 public:
  // The map's texts take their direction from their own letters, not from the interface's: a
  // grid label "-10.0" keeps its sign in front under a right-to-left language. With a cache,
  // text is measured through it (the window keeps one for its map area).
  explicit PainterCanvas(QPainter& painter, TextSizeCache* sizes = nullptr)
      : painter_(painter), sizes_(sizes) {
    painter_.setLayoutDirection(Qt::LayoutDirectionAuto);
  }
  void FillRect(int left, int top, int right, int bottom, Rgb colour) override;
  void Line(int x0, int y0, int x1, int y1, Rgb pen) override;
  void Text(int x, int y, std::string_view text, Rgb colour,
            std::optional<Rgb> background) override;
  void Outline(int left, int top, int right, int bottom, Rgb pen) override;
  void Ellipse(int left, int top, int right, int bottom, Rgb pen, Rgb fill) override;
  void ClipTo(const MapRect& clip) override;
  void ClearClip() override;
  TextSize MeasureText(std::string_view text) override;
  void Markers(const std::vector<MapPoint>& centres, Rgb outline, Rgb fill) override;
  void HaloText(int x, int y, std::string_view text, Rgb colour, Rgb halo) override;

 private:
  // Thousands of markers share a few pens: the painter's pen changes only with the colour.
  void UsePen(Rgb pen);
  const QFontMetrics& Metrics();

  QPainter& painter_;
  TextSizeCache* sizes_;
  std::optional<Rgb> pen_;
  bool clipped_ = false;
  std::optional<QFontMetrics> metrics_;  // the painter's font does not change while it draws
};

}  // namespace meridiana
