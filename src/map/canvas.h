#pragma once
// What the map overlays draw on: filled rectangles, 1-pixel lines and text. The window draws
// through QPainter, the command line on an image, the tests into a recorder.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "map/map_geometry.h"

namespace meridiana {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct TextSize {
  int width = 0;
  int height = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Fills the pixels from (left, top) up to, not including, (right, bottom).
  virtual void FillRect(int left, int top, int right, int bottom, Rgb colour) = 0;
  // A solid 1-pixel line from (x0, y0) to (x1, y1), the end point not drawn.
  virtual void Line(int x0, int y0, int x1, int y1, Rgb pen) = 0;
  // Text with its top-left corner at (x, y); with a background the text's box is filled first.
  virtual void Text(int x, int y, std::string_view text, Rgb colour,
                    std::optional<Rgb> background) = 0;
  // Text without a background, ringed one pixel wide in `halo` so that it reads on any part of
  // the map. By default the text drawn eight times around in the halo colour, then on top.
  virtual void HaloText(int x, int y, std::string_view text, Rgb colour, Rgb halo) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx != 0 || dy != 0) Text(x + dx, y + dy, text, halo, std::nullopt);
    Text(x, y, text, colour, std::nullopt);
  }
  // The box `Text` fills for this text; a canvas that cannot tell gives an empty size.
  virtual TextSize MeasureText(std::string_view) { return {}; }
  // Draws only inside `clip` until ClearClip; a canvas that cannot clip draws everywhere.
  virtual void ClipTo(const MapRect& clip) { (void)clip; }
  virtual void ClearClip() {}
  // The ellipse inside the box from (left, top) to (right, bottom), filled and outlined.
  virtual void Ellipse(int left, int top, int right, int bottom, Rgb pen, Rgb fill) = 0;
  // `colour` laid over the `width` x `height` pixels from (left, top), each at the opacity of its
  // byte in `alpha` (row after row, 255 opaque). A canvas that cannot blend draws nothing.
  virtual void Glow(int left, int top, int width, int height, const std::uint8_t* alpha,
                    Rgb colour) {
    (void)left, (void)top, (void)width, (void)height, (void)alpha, (void)colour;
  }
  // The closed outline through the four corners (left, top) to (right, bottom), all four
  // drawn: by default four lines back to the first corner.
  virtual void Outline(int left, int top, int right, int bottom, Rgb pen) {
    Line(left, top, right, top, pen);
    Line(right, top, right, bottom, pen);
    Line(right, bottom, left, bottom, pen);
    Line(left, bottom, left, top, pen);
  }
  // A city marker around each point, one after the other: the 5 x 5 square centred on it filled
  // with `fill`, then its outline in `outline`.
  virtual void Markers(const std::vector<MapPoint>& centres, Rgb outline, Rgb fill) {
    for (const MapPoint& p : centres) {
      FillRect(p.x - 2, p.y - 2, p.x + 3, p.y + 3, fill);
      Outline(p.x - 2, p.y - 2, p.x + 2, p.y + 2, outline);
    }
  }
};

// Black or white, whichever stands out more against the colour.
inline Rgb ContrastingHalo(Rgb colour) {
  const int luma = 299 * colour.r + 587 * colour.g + 114 * colour.b;
  return luma >= 100 * 1000 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
}

inline void OutlineSquare(Canvas& canvas, int left, int top, int right, int bottom, Rgb pen) {
  canvas.Outline(left, top, right, bottom, pen);
}

}  // namespace meridiana
