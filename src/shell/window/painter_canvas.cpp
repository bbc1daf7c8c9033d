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
#include <cmath>
#include <cstdint>
#include <utility>

#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

void PainterCanvas::FillRect(int left, int top, int right, int bottom, Rgb colour) {
  if (right <= left || bottom <= top) return;
  // An opaque whole-pixel rectangle gives the painter's pixels when set directly.
  if (const DirectPixels* pixels = Direct()) {
    pixels->Fill(left, top, right - left, bottom - top, qRgb(colour.r, colour.g, colour.b));
    return;
  }
  painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(colour));
}

void PainterCanvas::Glow(int left, int top, int width, int height, const std::uint8_t* alpha,
                         Rgb colour) {
  if (width <= 0 || height <= 0 || alpha == nullptr) return;
  // Premultiplied, so the painter blends it as it is.
  QImage glow(width, height, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < height; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(glow.scanLine(y));
    const std::uint8_t* a = alpha + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const unsigned k = a[x];
      row[x] = qRgba(static_cast<int>((colour.r * k + 127) / 255),
                     static_cast<int>((colour.g * k + 127) / 255),
                     static_cast<int>((colour.b * k + 127) / 255), static_cast<int>(k));
    }
  }
  painter_.drawImage(QPoint(left, top), glow);
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
  const int width = right - left + 1;
  const int height = bottom - top + 1;
  if (const DirectPixels* pixels = Direct()) {
    const QRgb colour = qRgb(pen.r, pen.g, pen.b);
    pixels->Fill(left, top, width, 1, colour);
    if (height > 1) pixels->Fill(left, bottom, width, 1, colour);
    if (height > 2) {
      pixels->Fill(left, top + 1, 1, height - 2, colour);
      if (width > 1) pixels->Fill(right, top + 1, 1, height - 2, colour);
    }
    return;
  }
  const QColor colour = ToQColor(pen);
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
  direct_.reset();
}

void PainterCanvas::ClearClip() {
  if (!clipped_) return;
  painter_.restore();
  clipped_ = false;
  pen_.reset();  // the restore brought back the pen of the save
  direct_.reset();
}

void PainterCanvas::Text(int x, int y, std::string_view text, Rgb colour,
                         std::optional<Rgb> background) {
  if (sizes_ != nullptr) {
    TextSizeCache::Entry& entry = sizes_->Get(painter_.font(), painter_.layoutDirection(), text);
    if (!entry.runs.isEmpty()) {
      DrawRemembered(entry, x, y, colour, background, std::nullopt, [&] {
        if (background)
          painter_.fillRect(QRect(x, y, entry.size.width, entry.size.height),
                            ToQColor(*background));
        painter_.setPen(ToQColor(colour));
        for (const QGlyphRun& run : entry.runs)
          painter_.drawGlyphRun(QPointF(x, y + entry.shift), run);
      });
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
  TextSizeCache::Entry& entry = sizes_->Get(painter_.font(), painter_.layoutDirection(), text);
  if (entry.runs.isEmpty()) {
    Canvas::HaloText(x, y, text, colour, halo);
    return;
  }
  DrawRemembered(entry, x, y, colour, std::nullopt, halo, [&] {
    painter_.setPen(ToQColor(halo));
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx != 0 || dy != 0)
          for (const QGlyphRun& run : entry.runs)
            painter_.drawGlyphRun(QPointF(x + dx, y + dy + entry.shift), run);
    painter_.setPen(ToQColor(colour));
    for (const QGlyphRun& run : entry.runs) painter_.drawGlyphRun(QPointF(x, y + entry.shift), run);
  });
}

TextSizeCache::Entry& TextSizeCache::Get(const QFont& font, Qt::LayoutDirection direction,
                                         std::string_view text) {
  if (!metrics_ || font != font_ || direction != direction_) {
    font_ = font;
    direction_ = direction;
    metrics_.emplace(font);
    entries_.clear();
    rememberedBytes_ = 0;
  }
  const auto found = entries_.find(std::string(text));
  if (found != entries_.end()) return found->second;
  // Texts come and go with the cities marked and the language; a long session starts afresh.
  if (entries_.size() >= 4096) {
    entries_.clear();
    rememberedBytes_ = 0;
  }
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
  if (painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1.0)
    return std::nullopt;
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
                      clip.boundingRect(),
                      format};
}

}  // namespace

void PainterCanvas::Markers(const std::vector<MapPoint>& centres, Rgb outline, Rgb fill) {
  if (centres.empty()) return;
  // Set straight into the picture where the painter allows: a few thousand 5 x 5 squares are
  // mostly call overhead for the painter. Opaque colours over a 32-bit picture, one marker
  // after the other, give the pixels the painter's fills would.
  if (const DirectPixels* pixels = Direct()) {
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

void DirectPixels::Read(const QRect& r, std::vector<QRgb>& out) const {
  out.resize(static_cast<std::size_t>(r.width()) * static_cast<std::size_t>(r.height()));
  QRgb* to = out.data();
  for (int y = r.top(); y <= r.bottom(); ++y, to += r.width()) {
    const QRgb* row = reinterpret_cast<const QRgb*>(bits + y * stride) + r.left();
    std::copy(row, row + r.width(), to);
  }
}

void DirectPixels::Write(const QRect& r, const std::vector<QRgb>& in) const {
  const QRgb* from = in.data();
  for (int y = r.top(); y <= r.bottom(); ++y, from += r.width())
    std::copy(from, from + r.width(), reinterpret_cast<QRgb*>(bits + y * stride) + r.left());
}

bool DirectPixels::Equal(const QRect& r, const std::vector<QRgb>& pixels) const {
  const QRgb* p = pixels.data();
  for (int y = r.top(); y <= r.bottom(); ++y, p += r.width()) {
    const QRgb* row = reinterpret_cast<const QRgb*>(bits + y * stride) + r.left();
    if (!std::equal(row, row + r.width(), p)) return false;
  }
  return true;
}

const DirectPixels* PainterCanvas::Direct() {
  if (!direct_) direct_.emplace(DirectPixelsOf(painter_));
  return direct_->has_value() ? &**direct_ : nullptr;
}

template <typename Draw>
void PainterCanvas::DrawRemembered(TextSizeCache::Entry& entry, int x, int y, Rgb colour,
                                   std::optional<Rgb> background, std::optional<Rgb> halo,
                                   Draw draw) {
  pen_.reset();
  const DirectPixels* pixels = Direct();
  if (pixels == nullptr || entry.drawsBeyondItsBounds) {
    draw();
    return;
  }
  // Where the glyphs can reach: their boxes and three pixels more each way (a halo's one,
  // antialiasing's two), and the background.
  QRectF ink;
  for (const QGlyphRun& run : entry.runs) ink |= run.boundingRect();
  ink.translate(x, y + entry.shift);
  QRect logical(
      QPoint(static_cast<int>(std::floor(ink.left())), static_cast<int>(std::floor(ink.top()))),
      QPoint(static_cast<int>(std::ceil(ink.right())), static_cast<int>(std::ceil(ink.bottom()))));
  logical.adjust(-3, -3, 3, 3);
  if (background) logical |= QRect(x, y, entry.size.width, entry.size.height);
  const int s = pixels->scale;
  // Only what the clip lets the drawing change; a margin around it, looked at when drawing,
  // tells whether the bound holds.
  const QRect unclipped(logical.left() * s + pixels->dx, logical.top() * s + pixels->dy,
                        logical.width() * s, logical.height() * s);
  const QRect region = unclipped & pixels->clip;
  const QRect guard = unclipped.adjusted(-4, -4, 4, 4) & pixels->clip;
  if (region.isEmpty()) {
    draw();
    return;
  }
  const int hints = static_cast<int>(painter_.renderHints());
  const QPoint at(x * s + pixels->dx, y * s + pixels->dy);
  for (auto it = entry.drawn.begin(); it != entry.drawn.end(); ++it) {
    if (it->at != at || it->scale != s || it->region != region || it->clip != pixels->clip ||
        it->colour != colour || it->background != background || it->halo != halo ||
        it->hints != hints || it->format != pixels->format || !pixels->Equal(region, it->before))
      continue;
    pixels->Write(region, it->after);
    painter_.setPen(ToQColor(colour));
    std::rotate(entry.drawn.begin(), it, it + 1);
    return;
  }
  std::vector<QRgb> guardBefore;
  pixels->Read(guard, guardBefore);
  draw();
  std::vector<QRgb> guardAfter;
  pixels->Read(guard, guardAfter);
  TextSizeCache::Entry::Drawn drawn{at,   s,     region,         pixels->clip, colour, background,
                                    halo, hints, pixels->format, {},           {}};
  const int width = guard.width();
  for (int row = 0; row < guard.height(); ++row) {
    for (int column = 0; column < width; ++column) {
      const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(column);
      if (region.contains(guard.left() + column, guard.top() + row)) {
        drawn.before.push_back(guardBefore[i]);
        drawn.after.push_back(guardAfter[i]);
      } else if (guardBefore[i] != guardAfter[i]) {
        entry.drawsBeyondItsBounds = true;
        sizes_->Forget(entry);
        return;
      }
    }
  }
  sizes_->Remember(entry, std::move(drawn));
}

namespace {

std::size_t BytesOf(const TextSizeCache::Entry::Drawn& d) {
  return (d.before.size() + d.after.size()) * sizeof(QRgb);
}

}  // namespace

void TextSizeCache::Forget(Entry& entry) {
  for (const Entry::Drawn& d : entry.drawn) rememberedBytes_ -= BytesOf(d);
  entry.drawn.clear();
}

void TextSizeCache::Remember(Entry& entry, Entry::Drawn drawn) {
  constexpr std::size_t kPerText = 3;
  constexpr std::size_t kBudget = 2 << 20;  // bytes; a paint's labels take a few hundred KiB
  const auto bytes = BytesOf;
  if (rememberedBytes_ + bytes(drawn) > kBudget) {
    for (auto& [text, other] : entries_) other.drawn.clear();
    rememberedBytes_ = 0;
  }
  if (entry.drawn.size() >= kPerText) {
    rememberedBytes_ -= bytes(entry.drawn.back());
    entry.drawn.pop_back();
  }
  rememberedBytes_ += bytes(drawn);
  entry.drawn.insert(entry.drawn.begin(), std::move(drawn));
}

}  // namespace meridiana
