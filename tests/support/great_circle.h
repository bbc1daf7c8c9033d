#pragma once
// The great-circle arc between two places on a sphere (the haversine formula): a reference
// independent of the program's geodesics and projections.

#include <algorithm>
#include <cmath>

namespace meridiana::test {

inline double GreatCircleDegrees(double lat1, double lon1, double lat2, double lon2) {
  const double rad = 3.14159265358979323846 / 180;
  const double h =
      std::pow(std::sin((lat2 - lat1) * rad / 2), 2) +
      std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::pow(std::sin((lon2 - lon1) * rad / 2), 2);
  return 2 * std::asin(std::min(1.0, std::sqrt(h))) / rad;
}

}  // namespace meridiana::test
