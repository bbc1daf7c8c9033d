#pragma once
// The geometry of a status bar split into parts whose right edges keep fixed distances from the
// bar's right edge, so that resizing the window changes only the first part.

#include <vector>

namespace meridiana {

// The main window's status bar: five parts. Parts 1 and 2 are 50 pixels wide, part 3 60 and
// part 4 120; part 0 takes the rest.
inline constexpr int kMainStatusParts = 5;
inline const std::vector<int> kMainStatusDistances = {280, 230, 180, 120};

// The right edge of each of `parts` parts of a bar `width` pixels wide. Part i ends at
// (width - distances[i]); a distance of 0 and a part without a distance end at the right edge.
// An edge never lies left of 0 or of the previous part's edge, so a narrow bar squeezes the
// parts to nothing instead of overlapping them.
std::vector<int> StatusPartRightEdges(int width, int parts, const std::vector<int>& distances);

}  // namespace meridiana
