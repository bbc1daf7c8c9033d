#pragma once
// The colours of the time-zone image: each zone is painted in one flat colour that stands for
// its standard offset from UTC.

#include <array>

namespace meridiana {

struct ZoneColour {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  float hours;  // east of UTC
};

// Searched from the top; the first entry whose colour equals the pixel's wins.
extern const std::array<ZoneColour, 40> kZoneColours;

// The standard offset that a colour stands for; 0 for a colour that is not in the table.
float ZoneHoursOfColour(unsigned char red, unsigned char green, unsigned char blue);

}  // namespace meridiana
