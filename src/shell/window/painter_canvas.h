#pragma once
// The overlays' Canvas on a QPainter: the map area on screen (at the screen's own resolution, so
// text and markers stay sharp on HiDPI displays) or an image for the command line.

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QRgb>
#include <algorithm>
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
    // What drawing the text gave at one place over the pixels that were there (device pixels):
    // the next second's paint finds the same pixels under the same label and copies the result
    // instead of blending every glyph again. The most recent first, a few.
    struct Drawn {
      QPoint at;  // the text's place
      int scale = 1;
      QRect region;  // where the drawing can change pixels
      QRect clip;
      Rgb colour;
      std::optional<Rgb> background;
      std::optional<Rgb> halo;
      int hints = 0;
      QImage::Format format = QImage::Format_Invalid;
      std::vector<QRgb> before;
      std::vector<QRgb> after;
    };
    std::vector<Drawn> drawn;
    bool drawsBeyondItsBounds = false;  // then it is always drawn
  };
  // The entry of `text` in `font` for a painter with `direction`, made the first time.
  Entry& Get(const QFont& font, Qt::LayoutDirection direction, std::string_view text);
  // Keeps what drawing `entry` gave, first of its few; past a budget every entry forgets what
  // it kept (labels change every minute, and a day of them would fill the memory).
  void Remember(Entry& entry, Entry::Drawn drawn);
  // Lets the entry forget all it kept.
  void Forget(Entry& entry);

 private:
  QFont font_;
  Qt::LayoutDirection direction_ = Qt::LeftToRight;
  std::optional<QFontMetrics> metrics_;
  std::unordered_map<std::string, Entry> entries_;
  std::size_t rememberedBytes_ = 0;
};

// The pixels of a raster painter's picture, where markers can be set directly: a 32-bit image,
// a transform that only moves and scales by a whole factor, and at most one clip rectangle.
struct DirectPixels {
  uchar* bits = nullptr;  // taken once: every non-const look at a QImage's pixels checks sharing
  qsizetype stride = 0;
  int scale = 1;
  int dx = 0;
  int dy = 0;
  QRect clip;  // in device pixels
  QImage::Format format = QImage::Format_Invalid;

  // Fills the logical rectangle (left, top, width, height), clipped.
  void Fill(int left, int top, int width, int height, QRgb colour) const {
    const QRect r =
        QRect(left * scale + dx, top * scale + dy, width * scale, height * scale).intersected(clip);
    if (r.isEmpty()) return;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride) + r.left();
      std::fill(row, row + r.width(), colour);
    }
  }
  // The device pixels of `r` (inside the picture), row by row, into `out`; and back.
  void Read(const QRect& r, std::vector<QRgb>& out) const;
  void Write(const QRect& r, const std::vector<QRgb>& in) const;
  bool Equal(const QRect& r, const std::vector<QRgb>& pixels) const;
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
  void Glow(int left, int top, int width, int height, const std::uint8_t* alpha,
            Rgb colour) override;
  void ClipTo(const MapRect& clip) override;
  void ClearClip() override;
  TextSize MeasureText(std::string_view text) override;
  void Markers(const std::vector<MapPoint>& centres, Rgb outline, Rgb fill) override;
  void HaloText(int x, int y, std::string_view text, Rgb colour, Rgb halo) override;

 private:
  // Thousands of markers share a few pens: the painter's pen changes only with the colour.
  void UsePen(Rgb pen);
  const QFontMetrics& Metrics();
  // The picture's pixels when they can be set directly; looked up once until the clip changes.
  const DirectPixels* Direct();
  // Draws the entry's text at (x, y) through `draw`, or copies what the same drawing gave before
  // over the same pixels. Leaves the painter's pen in `colour`, as drawing does.
  template <typename Draw>
  void DrawRemembered(TextSizeCache::Entry& entry, int x, int y, Rgb colour,
                      std::optional<Rgb> background, std::optional<Rgb> halo, Draw draw);

  QPainter& painter_;
  TextSizeCache* sizes_;
  std::optional<Rgb> pen_;
  bool clipped_ = false;
  std::optional<QFontMetrics> metrics_;  // the painter's font does not change while it draws
  std::optional<std::optional<DirectPixels>> direct_;
};

}  // namespace meridiana
