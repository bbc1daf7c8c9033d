#pragma once
// Twilight bands: the sun shadow's dark side drawn in steps by the Sun's elevation at each
// pixel. Civil twilight reaches down to -6 degrees, nautical to -12, astronomical to -18, and
// night lies below. Each step is a blend of the composed (D) and the night (N) value, darker
// than the one before:
//   civil 0.6 N + 0.4 D,  nautical 0.8 N + 0.2 D,  astronomical 0.9 N + 0.1 D,  night N.
// The bands start at the horizon. Above it every pixel is the plain sun shadow's own (its soft
// edge up to 9 degrees, then the day), except in the first degree, which runs from the civil
// colour at the horizon to the shadow's colour at 1 degree so that the two meet without a seam.
// Pixels map to latitude and longitude as in the sun shadow.

#include <optional>

#include "foundation/clock.h"
#include "foundation/dib.h"

namespace meridiana {

enum class TwilightBand { kDay, kCivil, kNautical, kAstronomical, kNight };

// The band of a solar elevation in degrees (no refraction). 0 itself is civil twilight, -6
// nautical, -12 astronomical and -18 night.
TwilightBand BandOfElevation(double degrees);

// Where the Sun stands overhead at an instant, from the program's solar routine; none when it
// rejects the instant (a year outside 1950..2050).
struct SubsolarPoint {
  double latitude = 0;   // the declination
  double longitude = 0;  // east positive, -180..180
};
std::optional<SubsolarPoint> SubsolarPointAt(TimeValue now);

// The Sun's elevation in degrees at a place, for the Sun overhead at `sun`.
double SolarElevation(const SubsolarPoint& sun, double latitude, double longitude);

// The pass that replaces the sun shadow while Twilight is on. The same conditions as
// ApplySunShadow: two valid 24-bit images of one size, and an instant the solar routine takes.
void ApplyTwilight(Dib* composed, const Dib* night, TimeValue now);
// The same pass for the places of a grid (one entry per row and column, else nothing is done).
struct ShadeGrid;
void ApplyTwilightOn(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid);
// The same pass computed plainly for every pixel (the library's arc sine, each blend in double
// precision): the reference the pass above is tested and measured against, byte for byte.
void ApplyTwilightOnPerPixel(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid);

}  // namespace meridiana
