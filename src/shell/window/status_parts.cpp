#include "shell/window/status_parts.h"

#include <algorithm>

namespace meridiana {

std::vector<int> StatusPartRightEdges(int width, int parts, const std::vector<int>& distances) {
  width = std::max(width, 0);
  std::vector<int> edges;
  edges.reserve(static_cast<size_t>(std::max(parts, 0)));
  int previous = 0;
  for (int i = 0; i < parts; ++i) {
    int distance =
        static_cast<size_t>(i) < distances.size() ? distances[static_cast<size_t>(i)] : 0;
    int edge = std::clamp(width - distance, previous, width);
    edges.push_back(edge);
    previous = edge;
  }
  return edges;
}

int BusyIndicator::Step(long long nowMs, int width) {
  const int room = width - kBlockWidth;
  if (lastStepMs_ < 0 || nowMs - lastStepMs_ > kRestartAfterMs) {
    position_ = 0;
    direction_ = 1;
  } else if (room > 0) {
    position_ += direction_ * kStepPixels;
    if (position_ >= room) {
      position_ = room;
      direction_ = -1;
    } else if (position_ <= 0) {
      position_ = 0;
      direction_ = 1;
    }
  }
  if (room <= 0) position_ = 0;
  lastStepMs_ = nowMs;
  return position_;
}

}  // namespace meridiana
