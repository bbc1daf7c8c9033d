#pragma once
// The aurora forecast as the map draws it: the probability of seeing an aurora overhead, in whole
// percent, on a grid of one degree, with the forecast's own times.

#include <cstdint>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

struct AuroraGrid {
  static constexpr int kLongitudes = 360;  // 0 to 359 degrees east
  static constexpr int kLatitudes = 181;   // -90 to 90
  // kLatitudes rows of kLongitudes, the row of latitude -90 first; empty for no forecast.
  std::vector<std::uint8_t> percent;
  TimeValue observed = 0;  // when the measurements it is made from were taken
  TimeValue forecast = 0;  // the instant it forecasts
  bool sample = false;     // the labelled sample, not a live forecast

  bool empty() const { return percent.size() != std::size_t{kLongitudes} * kLatitudes; }
  // The percentage at a longitude east of Greenwich (0..359) and a latitude (-90..90).
  std::uint8_t At(int longitude, int latitude) const {
    return percent[static_cast<std::size_t>(latitude + 90) * kLongitudes +
                   static_cast<std::size_t>(longitude)];
  }
  void Set(int longitude, int latitude, std::uint8_t value) {
    percent[static_cast<std::size_t>(latitude + 90) * kLongitudes +
            static_cast<std::size_t>(longitude)] = value;
  }
  // A grid of zeros.
  void Clear() { percent.assign(std::size_t{kLongitudes} * kLatitudes, 0); }
};

}  // namespace meridiana
