#pragma once
// The Sun's elevation from the Astronomical Almanac's low-precision solar coordinates (good to
// about 0.01 degree in 1950..2050) and the sidereal time at Greenwich: a reference independent of
// the program's solar routine, for the tests that check what follows from the Sun's place.

#include <cmath>

#include "foundation/clock.h"

namespace meridiana::test {

inline double AlmanacElevation(TimeValue t, double latitude, double longitude) {
  const double rad = 3.14159265358979323846 / 180;
  const double n = static_cast<double>(t) / 86400.0 + 2440587.5 - 2451545.0;
  const double g = (357.528 + 0.9856003 * n) * rad;
  const double lambda =
      (280.460 + 0.9856474 * n + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * rad;
  const double epsilon = (23.439 - 0.0000004 * n) * rad;
  const double ra = std::atan2(std::cos(epsilon) * std::sin(lambda), std::cos(lambda));
  const double decl = std::asin(std::sin(epsilon) * std::sin(lambda));
  const double hourAngle = ((18.697374558 + 24.06570982441908 * n) * 15 + longitude) * rad - ra;
  return std::asin(std::sin(latitude * rad) * std::sin(decl) +
                   std::cos(latitude * rad) * std::cos(decl) * std::cos(hourAngle)) /
         rad;
}

}  // namespace meridiana::test
