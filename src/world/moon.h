#pragma once
// The Moon for an instant: its apparent place from the truncated ELP-2000/82 lunar theory
// (the 60 + 60 + 60 periodic terms with the additive planetary and flattening terms), nutation,
// apparent sidereal time, the point under it, its phase, and its rise and set for a place.
// Double precision throughout: unlike the Sun's shading, nothing here has to match the bits of
// another computation, and the Moon moves half a degree an hour.

#include <optional>
#include <string>

#include "foundation/clock.h"

namespace meridiana {

// Julian day (UT) of a UTC instant.
double JulianDayOf(TimeValue t);

// Terrestrial minus universal time in seconds for a decimal year: the published polynomial fits
// to the observed values (1941 onwards) and their extrapolation.
double DeltaTSeconds(double year);

// Angles in degrees, distances in kilometres. Longitudes east positive.
struct MoonPosition {
  double julianDay = 0;           // UT
  double julianEphemerisDay = 0;  // TT
  // Geocentric ecliptic place of the Moon, mean equinox of date; longitude 0..360.
  double meanLongitude = 0;
  double latitude = 0;
  double distanceKm = 0;
  double apparentLongitude = 0;  // with nutation in longitude
  double parallax = 0;           // equatorial horizontal parallax
  double nutationLongitude = 0;  // degrees
  double trueObliquity = 0;
  // Apparent geocentric equator coordinates; right ascension 0..360.
  double rightAscension = 0;
  double declination = 0;
  double apparentSiderealTime = 0;  // Greenwich, 0..360
  // The Sun, for the phase (low-precision solar theory, about 0.01 degree).
  double sunLongitude = 0;  // apparent
  double sunDistanceKm = 0;
  double sunRightAscension = 0;
  double sunDeclination = 0;
  // The points on the Earth with the Moon and the Sun in the zenith; longitude -180..180.
  double subLunarLatitude = 0;
  double subLunarLongitude = 0;
  double subSolarLatitude = 0;
  double subSolarLongitude = 0;
  // Moon minus Sun in apparent longitude, 0..360: 0 new, 90 first quarter, 180 full.
  double elongation = 0;
  double phaseAngle = 0;  // Sun-Moon-Earth, 0 full .. 180 new
  double illuminatedFraction = 0;
  // Great-circle bearing (clockwise from north) from the sub-lunar towards the sub-solar
  // point: the side of the disc the Sun lights, as the map shows it.
  double litBearing = 0;
};

// The Moon at a Julian day (UT) with the given TT - UT in seconds.
MoonPosition MoonAtJulianDay(double julianDayUt, double deltaTSeconds);
// The Moon at a UTC instant, with DeltaTSeconds of its year.
MoonPosition MoonAt(TimeValue t);

// Days since the last new moon (the instant Moon and Sun had the same apparent longitude), for
// the given position; 0 up to 29.6.
double MoonAgeDays(const MoonPosition& position);

// The phase name: the four principal phases within half a day's motion (6 degrees of
// elongation) of their instant, the intermediate names in between.
const char* MoonPhaseName(double elongation);

// Shown when the Moon does not cross the horizon that local day.
inline constexpr const char kMoonUpAllDay[] = "Moon up all day";
inline constexpr const char kMoonDownAllDay[] = "Moon down all day";
inline constexpr const char kNoMoonrise[] = "No moonrise that day";
inline constexpr const char kNoMoonset[] = "No moonset that day";

// The altitude of the Moon's centre at which its upper limb touches the horizon with standard
// refraction, for its parallax (degrees).
double MoonRiseAltitude(double parallax);

// The Moon's geocentric altitude (degrees) at a place.
double MoonAltitude(const MoonPosition& position, double latitude, double longitude);

// The first moonrise and moonset between dayStart and dayStart + 86400 (UTC instants), found by
// stepping the day in five-minute steps and halving each bracket to the second. Neither is set
// when the Moon stays on one side of the horizon; upAtStart says which.
struct MoonEvents {
  std::optional<TimeValue> rise;
  std::optional<TimeValue> set;
  bool upAtStart = false;
};
MoonEvents MoonRiseSet(TimeValue dayStart, double latitude, double longitude);

// "HH:MM" in local clock time (offsetSeconds east of UTC) rounded to the nearest minute, or the
// words for a day without that event.
struct MoonTimes {
  std::string moonrise;
  std::string moonset;
};
MoonTimes MoonTimesOf(const MoonEvents& events, int offsetSeconds);

// The local day containing `now` for a clock offsetSeconds east of UTC, and its rise and set.
MoonTimes MoonTimesForDay(TimeValue now, int offsetSeconds, double latitude, double longitude);

}  // namespace meridiana
