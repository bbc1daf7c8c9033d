#pragma once
// Sunrise and sunset as the Properties dialog and `meridiana-cli cities` show them.

#include <string>

#include "foundation/clock.h"
#include "world/solar_position.h"

namespace meridiana {

// Shown in both fields on a day on which the Sun never sets / never rises at the place.
inline constexpr const char kSunUpAllDay[] = "Sun up all day";
inline constexpr const char kSunDownAllDay[] = "Sun down all day";

// A query filled as the Properties dialog fills it: the UTC calendar of `now` (day of year
// counted from 1), interval 0, the zone's standard offset as the timezone (so sunrise and sunset
// come out in the zone's standard time), the place, and the given mask.
SolarQuery PropertiesSolarQuery(TimeValue now, float utcOffsetHours, float latitude,
                                float longitude, int functionMask = kSolarMaskProperties);

// Minutes after midnight as a clock time "HH:MM:SS": value x 60 seconds rounded down, wrapped
// into one day, so -30 gives "23:30:00" and 1440 gives "00:00:00".
std::string MinutesAsClockText(float minutes);

struct SunTimes {
  std::string sunrise;
  std::string sunset;
};

// The two texts for a computed query: clock times in the zone's standard time (daylight saving
// not added), kSunUpAllDay / kSunDownAllDay in both fields at midnight sun / polar night. error
// is what ComputeSolarPosition returned: a query it rejected (a year outside 1950..2050, an
// offset beyond 12 hours) has no results, and both texts are empty.
SunTimes SunTimesOf(const SolarQuery& query, int error);

// PropertiesSolarQuery, ComputeSolarPosition and SunTimesOf in one.
SunTimes SunriseSunsetTexts(TimeValue now, float utcOffsetHours, float latitude, float longitude);

// The Sun's altitude when its upper limb touches the horizon, with standard refraction.
inline constexpr double kUpperLimbAltitude = -0.833;

// Sunrise and sunset as almanacs and clocks give them: the upper limb on the horizon with
// standard refraction, in the zone's clock time (standard offset plus savingMinutes), "HH:MM"
// rounded down like the geometric figures. The same words as SunriseSunsetTexts when the Sun does
// not cross that altitude, empty texts when the solar routine rejects its input.
SunTimes ApparentSunTexts(TimeValue now, float utcOffsetHours, int savingMinutes, float latitude,
                          float longitude);

// Dawn and dusk: the morning and evening moments the Sun's centre stands 6 (civil), 12 (nautical)
// and 18 (astronomical) degrees below the horizon, in clock time like ApparentSunTexts. On a day
// the Sun does not cross that depth, both fields say which way it stays.
inline constexpr const char kAboveMinus6[] = "Sun above -6° all day";
inline constexpr const char kBelowMinus6[] = "Sun below -6° all day";
inline constexpr const char kAboveMinus12[] = "Sun above -12° all day";
inline constexpr const char kBelowMinus12[] = "Sun below -12° all day";
inline constexpr const char kAboveMinus18[] = "Sun above -18° all day";
inline constexpr const char kBelowMinus18[] = "Sun below -18° all day";
struct TwilightTimes {
  SunTimes civil;  // dawn in `sunrise`, dusk in `sunset`
  SunTimes nautical;
  SunTimes astronomical;
};
TwilightTimes TwilightTexts(TimeValue now, float utcOffsetHours, int savingMinutes, float latitude,
                            float longitude);

}  // namespace meridiana
