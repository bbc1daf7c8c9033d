#pragma once
// A Canvas that records every call, so a test can assert "green 6x6 square at (298, 198)".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "map/canvas.h"

namespace meridiana {

class RecordingCanvas : public Canvas {
 public:
  struct Fill {
    int left, top, right, bottom;
    Rgb colour;
  };
  struct Stroke {
    int x0, y0, x1, y1;
    Rgb pen;
  };
  struct Oval {
    int left, top, right, bottom;
    Rgb pen, fill;
    std::optional<MapRect> clip = std::nullopt;  // the clip in effect when it was drawn
  };
  struct Glowing {
    MapRect rect;
    std::vector<std::uint8_t> alpha;  // row after row
    Rgb colour;
  };
  struct Label {
    int x, y;
    std::string text;
    Rgb colour;
    bool opaque;
    Rgb background;
    std::optional<Rgb> halo;
  };

  void FillRect(int left, int top, int right, int bottom, Rgb colour) override {
    fills.push_back({left, top, right, bottom, colour});
  }
  void Line(int x0, int y0, int x1, int y1, Rgb pen) override {
    lines.push_back({x0, y0, x1, y1, pen});
  }
  void Ellipse(int left, int top, int right, int bottom, Rgb pen, Rgb fill) override {
    ellipses.push_back({left, top, right, bottom, pen, fill, clip});
  }
  void Glow(int left, int top, int width, int height, const std::uint8_t* alpha,
            Rgb colour) override {
    glows.push_back({{left, top, width, height},
                     std::vector<std::uint8_t>(alpha, alpha + std::size_t(width) * height),
                     colour});
  }
  void ClipTo(const MapRect& rect) override { clip = rect; }
  void ClearClip() override { clip.reset(); }
  void Text(int x, int y, std::string_view text, Rgb colour,
            std::optional<Rgb> background) override {
    texts.push_back({x, y, std::string(text), colour, background.has_value(),
                     background.value_or(Rgb{}), std::nullopt});
  }

  void HaloText(int x, int y, std::string_view text, Rgb colour, Rgb halo) override {
    texts.push_back({x, y, std::string(text), colour, false, Rgb{}, halo});
  }

  // A fixed-pitch font: 7 pixels a byte, 13 high.
  TextSize MeasureText(std::string_view text) override {
    return {7 * static_cast<int>(text.size()), 13};
  }

  std::optional<MapRect> clip;
  std::vector<Fill> fills;
  std::vector<Stroke> lines;
  std::vector<Label> texts;
  std::vector<Oval> ellipses;
  std::vector<Glowing> glows;
};

}  // namespace meridiana
