// Where the overlay texts stand: each marked-city label on the first side of its square where it
// stays on the map and clear of the other labels and the scale, and the halo that keeps text
// readable over both ocean and ice.
#include <algorithm>

#include "map/overlays/overlays.h"

namespace meridiana {
namespace {

constexpr int kLabelGap = 2;

}  // namespace

bool Intersects(const MapRect& a, const MapRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

MapRect VisibleMap(const OverlayScene& scene) {
  const MapRect& a = scene.area;
  int right = a.left + a.width;
  int bottom = a.top + a.height;
  if (scene.pictureRight > a.left) right = std::min(right, scene.pictureRight);
  if (scene.pictureBottom > a.top) bottom = std::min(bottom, scene.pictureBottom);
  return {a.left, a.top, right - a.left, bottom - a.top};
}

std::vector<MapRect> LabelCandidates(int squareLeft, int squareTop, TextSize label) {
  // The square is 6 x 6; a 4-pixel gap keeps the text off its outline.
  const int middleY = squareTop + 3 - label.height / 2;
  const int middleX = squareLeft + 3 - label.width / 2;
  return {
      {squareLeft + 10, middleY, label.width, label.height},
      {squareLeft - 4 - label.width, middleY, label.width, label.height},
      {middleX, squareTop - 4 - label.height, label.width, label.height},
      {middleX, squareTop + 10, label.width, label.height},
  };
}

std::optional<MapRect> PlaceLabel(const std::vector<MapRect>& candidates, const MapRect& visible,
                                  const std::vector<MapRect>& taken) {
  for (const MapRect& c : candidates) {
    if (c.left < visible.left || c.top < visible.top ||
        c.left + c.width > visible.left + visible.width ||
        c.top + c.height > visible.top + visible.height)
      continue;
    // Two pixels either side, so that neighbouring labels never run into one another.
    const MapRect room{c.left - kLabelGap, c.top, c.width + 2 * kLabelGap, c.height};
    if (std::none_of(taken.begin(), taken.end(),
                     [&](const MapRect& t) { return Intersects(room, t); }))
      return c;
  }
  return std::nullopt;
}

void OverlayText(Canvas& canvas, const OverlayScene& scene, int x, int y, std::string_view text,
                 Rgb colour) {
  if (scene.fixedLabels) {
    canvas.Text(x, y, text, colour, std::nullopt);
  } else {
    canvas.HaloText(x, y, text, colour, ContrastingHalo(colour));
  }
}

}  // namespace meridiana
