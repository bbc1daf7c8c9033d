#pragma once
// The Sun's position for a place and instant, after the published NREL SOLPOS algorithm (valid
// for 1950..2050), in single precision throughout. Only the parts the program needs: day-of-year
// conversion, geometry, zenith without refraction, sunset hour angle, true solar time, sunrise
// and sunset.
//
// The arithmetic is deliberately float with a fixed operation order: the map shading reproduces
// it per row and column and must get the very same bits (see solar_math.h).

#include "foundation/clock.h"

namespace meridiana {

// What to compute. A bit pulls in the bits it needs (see ExpandSolarMask).
enum SolarFunction : int {
  kSolarDayOfYear = 1,    // dayOfYear is the date: derive month and day from it
  kSolarGeometry = 2,     // declination, hour angle and their chain
  kSolarZenith = 4,       // zenith and elevation without refraction
  kSolarSunsetAngle = 8,  // sunset hour angle
  kSolarTrueTime = 32,    // true solar time
  kSolarRiseSet = 64,     // sunrise and sunset
};

// The two masks the program uses: map shading and the Properties dialog.
inline constexpr int kSolarMaskShading = 7;
inline constexpr int kSolarMaskProperties = 111;

// Error bits of ComputeSolarPosition: the rejected inputs.
enum SolarError : int {
  kSolarBadYear = 1,
  kSolarBadMonth = 2,
  kSolarBadDay = 4,
  kSolarBadDayOfYear = 8,
  kSolarBadHour = 16,
  kSolarBadMinute = 32,
  kSolarBadSecond = 64,
  kSolarBadTimezone = 128,
  kSolarBadInterval = 256,
  kSolarBadLatitude = 512,
  kSolarBadLongitude = 1024,
};

// The years the solar routine works for, and so every face of the program that shows the Sun:
// an instant whose UTC year lies outside is refused wherever a user can give one.
inline constexpr int kFirstSolarYear = 1950;
inline constexpr int kLastSolarYear = 2050;
bool InSolarYears(TimeValue t);

// One request and its results. Value-initialise (SolarQuery q{}) before filling the inputs.
// Angles in degrees; latitude north and longitude east positive.
struct SolarQuery {
  // Inputs.
  int functionMask;
  int year;         // 1950..2050
  int month;        // 1..12; input when kSolarDayOfYear is clear, else derived
  int day;          // 1..31; likewise
  int dayOfYear;    // 1 = 1 January; input when kSolarDayOfYear is set, else derived
  int hour;         // 0..24, 24 only on the full hour
  int minute;       // 0..59
  int second;       // 0..59
  int interval;     // measuring interval in seconds, 0 for an instant (0..28800)
  float timezone;   // hours east of UTC of the clock fields (-12..12)
  float latitude;   // -90..90
  float longitude;  // -180..180

  // Results.
  float dayAngle;
  float universalTime;  // hours
  float julianDay;      // Julian day less 2,400,000
  float eclipticTime;   // days since 2000-01-01 12:00
  float meanLongitude;
  float meanAnomaly;
  float eclipticLongitude;
  float obliquity;
  float declination;
  float rightAscension;
  float greenwichSiderealTime;  // hours
  float localSiderealTime;      // degrees
  float hourAngle;
  float zenith;     // without refraction, capped at 99
  float elevation;  // 90 - zenith
  float sunsetHourAngle;
  float trueSolarTime;  // minutes
  float solarTimeFix;   // minutes
  // Minutes after local standard midnight of the clock's day (geometric: the Sun's centre on the
  // horizon, no refraction). Polar night: sunrise +kSolarAllDay, sunset -kSolarAllDay; midnight
  // sun: sunrise -kSolarAllDay, sunset +kSolarAllDay.
  float sunrise;
  float sunset;
};

// Sunrise/sunset values for a day without a sunrise or sunset.
inline constexpr float kSolarAllDay = 2999.0f;

// The mask with every bit that the given bits need added.
int ExpandSolarMask(int mask);

// Runs the computations of query.functionMask (with what they need). Returns 0, or the error
// bits of the rejected inputs; then nothing is computed and the results keep their values.
// Allocates nothing.
int ComputeSolarPosition(SolarQuery* query);

}  // namespace meridiana
