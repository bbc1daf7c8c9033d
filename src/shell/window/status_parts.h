#pragma once
// The geometry of a status bar split into parts whose right edges keep fixed distances from the
// bar's right edge, so that resizing the window changes only the first part.

#include <vector>

namespace meridiana {

// The main window's status bar: six parts. Parts 1 and 2 are 80 pixels wide, room for
// "179.99° W", part 3 60 and part 4 150, room for a long locale date and the clock, part 5 130,
// room for "12,345 km 359° NW"; part 0 takes the rest.
inline constexpr int kMainStatusParts = 6;
inline const std::vector<int> kMainStatusDistances = {500, 420, 340, 280, 130};

// The right edge of each of `parts` parts of a bar `width` pixels wide. Part i ends at
// (width - distances[i]); a distance of 0 and a part without a distance end at the right edge.
// An edge never lies left of 0 or of the previous part's edge, so a narrow bar squeezes the
// parts to nothing instead of overlapping them.
std::vector<int> StatusPartRightEdges(int width, int parts, const std::vector<int>& distances);

// The network busy indicator drawn in a status part: a block that moves 2 pixels per step and
// turns at either end of the part. After more than 10 seconds without a step it starts again at
// the left, moving right.
class BusyIndicator {
 public:
  static constexpr int kBlockWidth = 10;
  static constexpr int kStepPixels = 2;
  static constexpr long long kRestartAfterMs = 10000;

  // One step at time nowMs in a part `width` pixels wide; the block's new left edge.
  int Step(long long nowMs, int width);
  int position() const { return position_; }
  bool movingRight() const { return direction_ > 0; }

 private:
  int position_ = 0;
  int direction_ = 1;
  long long lastStepMs_ = -1;
};

}  // namespace meridiana
