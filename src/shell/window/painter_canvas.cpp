#include "shell/window/painter_canvas.h"

#include <QBrush>
#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QRegion>
#include <QTextLayout>
#include <QTextOption>
#include <QTransform>
#include <algorithm>
#include <cstdint>
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

void PainterCanvas::ClipTo(const MapRect& clip) {
  painter_.save();
  painter_.setClipRect(QRect(clip.left, clip.top, clip.width, clip.height), Qt::IntersectClip);
  clipped_ = true;
}

void PainterCanvas::ClearClip() {
  if (!clipped_) return;
  painter_.restore();
  clipped_ = false;
  pen_.reset();  // the restore brought back the pen of the save
}

void PainterCanvas::Text(int x, int y, std::string_view text, Rgb colour,
                         std::optional<Rgb> background) {
  if (sizes_ != nullptr) {
    const TextSizeCache::Entry& entry =
        sizes_->Get(painter_.font(), painter_.layoutDirection(), text);
    if (!entry.runs.isEmpty()) {
      if (background)
        painter_.fillRect(QRect(x, y, entry.size.width, entry.size.height), ToQColor(*background));
      painter_.setPen(ToQColor(colour));
      pen_.reset();
      for (const QGlyphRun& run : entry.runs)
        painter_.drawGlyphRun(QPointF(x, y + entry.shift), run);
      return;
    }
  }
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
  if (sizes_ != nullptr) return sizes_->Get(painter_.font(), painter_.layoutDirection(), text).size;
  const QFontMetrics& metrics = Metrics();
  return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

void PainterCanvas::HaloText(int x, int y, std::string_view text, Rgb colour, Rgb halo) {
  // Shaped once for the nine times it is drawn.
  if (sizes_ == nullptr) {
    Canvas::HaloText(x, y, text, colour, halo);
    return;
  }
  const TextSizeCache::Entry& entry =
      sizes_->Get(painter_.font(), painter_.layoutDirection(), text);
  if (entry.runs.isEmpty()) {
    Canvas::HaloText(x, y, text, colour, halo);
    return;
  }
  pen_.reset();
  painter_.setPen(ToQColor(halo));
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx != 0 || dy != 0)
        for (const QGlyphRun& run : entry.runs)
          painter_.drawGlyphRun(QPointF(x + dx, y + dy + entry.shift), run);
  painter_.setPen(ToQColor(colour));
  for (const QGlyphRun& run : entry.runs) painter_.drawGlyphRun(QPointF(x, y + entry.shift), run);
}

const TextSizeCache::Entry& TextSizeCache::Get(const QFont& font, Qt::LayoutDirection direction,
                                               std::string_view text) {
  if (!metrics_ || font != font_ || direction != direction_) {
    font_ = font;
    direction_ = direction;
    metrics_.emplace(font);
    entries_.clear();
  }
  const auto found = entries_.find(std::string(text));
  if (found != entries_.end()) return found->second;
  // Texts come and go with the cities marked and the language; a long session starts afresh.
  if (entries_.size() >= 4096) entries_.clear();
  const QString shown = ToQString(text);
  Entry entry;
  entry.size = {metrics_->horizontalAdvance(shown), metrics_->height()};
  QTextLayout layout(shown, font);
  QTextOption option;
  option.setTextDirection(direction);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  // Both are multiples of 1/64, so the sum the painter forms is exact.
  if (line.isValid() && layout.lineCount() == 1 && line.x() == 0 && line.y() == 0) {
    entry.runs = layout.glyphRuns();
    entry.shift = metrics_->ascent() - line.ascent();
  }
  return entries_.emplace(std::string(text), std::move(entry)).first->second;
}

namespace {

// The pixels of a raster painter's picture, where markers can be set directly: a 32-bit image,
// a transform that only moves and scales by a whole factor, and at most one clip rectangle.
struct DirectPixels {
  uchar* bits = nullptr;  // taken once: every non-const look at a QImage's pixels checks sharing
  qsizetype stride = 0;
  int scale = 1;
  int dx = 0;
  int dy = 0;
  QRect clip;  // in device pixels

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
};

std::optional<DirectPixels> DirectPixelsOf(QPainter& painter) {
  QPaintEngine* engine = painter.paintEngine();
  if (engine == nullptr || engine->type() != QPaintEngine::Raster) return std::nullopt;
  QPaintDevice* device = engine->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return std::nullopt;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
      format != QImage::Format_ARGB32_Premultiplied)
    return std::nullopt;
  if (painter.compositionMode() != QPainter::CompositionMode_SourceOver) return std::nullopt;
  const QTransform t = painter.deviceTransform();
  const int scale = static_cast<int>(t.m11());
  if (t.type() > QTransform::TxScale || t.m11() != t.m22() || scale < 1 || t.m11() != scale ||
      t.dx() != static_cast<int>(t.dx()) || t.dy() != static_cast<int>(t.dy()))
    return std::nullopt;
  QRegion clip(image->rect());
  if (!engine->systemClip().isEmpty()) clip &= engine->systemClip();
  if (painter.hasClipping()) clip &= t.map(painter.clipRegion());
  if (clip.rectCount() > 1) return std::nullopt;
  return DirectPixels{image->bits(),
                      image->bytesPerLine(),
                      scale,
                      static_cast<int>(t.dx()),
                      static_cast<int>(t.dy()),
                      clip.boundingRect()};
}

}  // namespace

void PainterCanvas::Markers(const std::vector<MapPoint>& centres, Rgb outline, Rgb fill) {
  if (centres.empty()) return;
  // Set straight into the picture where the painter allows: a few thousand 5 x 5 squares are
  // mostly call overhead for the painter. Opaque colours over a 32-bit picture, one marker
  // after the other, give the pixels the painter's fills would.
  if (const std::optional<DirectPixels> pixels = DirectPixelsOf(painter_)) {
    const QRgb edge = qRgb(outline.r, outline.g, outline.b);
    const QRgb inside = qRgb(fill.r, fill.g, fill.b);
    for (const MapPoint& p : centres) {
      pixels->Fill(p.x - 2, p.y - 2, 5, 5, edge);
      pixels->Fill(p.x - 1, p.y - 1, 3, 3, inside);
    }
    return;
  }
  // Markers that do not overlap may be drawn in any order, so they go in batches of squares that
  // meet none of their batch: the outlines' colour over each whole square, then the insides,
  // two calls a batch instead of five a marker. A marker that might touch one of its batch (the
  // test is by 4 x 4 cells, erring towards "might") starts the next batch; what overlaps is
  // thus drawn in list order, as one marker after the other would be.
  int left = centres.front().x;
  int right = left;
  int top = centres.front().y;
  int bottom = top;
  for (const MapPoint& p : centres) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  const int originX = left - 2;
  const int originY = top - 2;
  const int64_t columns = ((static_cast<int64_t>(right) + 2 - originX) >> 2) + 1;
  const int64_t rows = ((static_cast<int64_t>(bottom) + 2 - originY) >> 2) + 1;
  // Spread far beyond any screen (a deep zoom): one after the other.
  if (columns * rows > (int64_t{1} << 20)) {
    Canvas::Markers(centres, outline, fill);
    return;
  }
  // The batch that last took each cell; batch numbers only grow, so nothing is ever cleared.
  std::vector<std::uint32_t> cellBatch(static_cast<std::size_t>(columns * rows), 0);
  std::uint32_t batch = 1;
  std::vector<QRect> squares;
  std::vector<QRect> insides;
  const QBrush outlineBrush(ToQColor(outline));
  const QBrush fillBrush(ToQColor(fill));
  const auto flush = [&] {
    painter_.setBrush(outlineBrush);
    painter_.drawRects(squares.data(), static_cast<int>(squares.size()));
    painter_.setBrush(fillBrush);
    painter_.drawRects(insides.data(), static_cast<int>(insides.size()));
    squares.clear();
    insides.clear();
    ++batch;
  };
  painter_.setPen(Qt::NoPen);
  pen_.reset();
  for (const MapPoint& p : centres) {
    const int64_t c0 = (p.x - 2 - originX) >> 2;
    const int64_t c1 = (p.x + 2 - originX) >> 2;
    const int64_t r0 = (p.y - 2 - originY) >> 2;
    const int64_t r1 = (p.y + 2 - originY) >> 2;
    bool taken = false;
    for (int64_t r = r0; r <= r1 && !taken; ++r)
      for (int64_t c = c0; c <= c1; ++c)
        taken = taken || cellBatch[static_cast<std::size_t>(r * columns + c)] == batch;
    if (taken) flush();
    for (int64_t r = r0; r <= r1; ++r)
      for (int64_t c = c0; c <= c1; ++c)
        cellBatch[static_cast<std::size_t>(r * columns + c)] = batch;
    squares.emplace_back(p.x - 2, p.y - 2, 5, 5);
    insides.emplace_back(p.x - 1, p.y - 1, 3, 3);
  }
  flush();
  painter_.setBrush(Qt::NoBrush);
}

}  // namespace meridiana
