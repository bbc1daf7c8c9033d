#include "shell/status_parts.h"

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

}  // namespace meridiana
