#include "world/solar_texts.h"

#include <cmath>
#include <cstdio>

namespace meridiana {

SolarQuery PropertiesSolarQuery(TimeValue now, float utcOffsetHours, float latitude,
                                float longitude, int functionMask) {
  const CalendarTime utc = UtcBreakdown(now);
  SolarQuery q{};
  q.functionMask = functionMask;
  q.year = utc.year;
  q.month = utc.month;
  q.day = utc.day;
  q.dayOfYear = utc.yearDay + 1;
  q.hour = utc.hour;
  q.minute = utc.minute;
  q.second = utc.second;
  q.interval = 0;
  q.timezone = utcOffsetHours;
  q.latitude = latitude;
  q.longitude = longitude;
  return q;
}

std::string MinutesAsClockText(float minutes) {
  double seconds = std::floor(static_cast<double>(minutes) * 60.0);
  if (!std::isfinite(seconds)) seconds = 0.0;
  seconds = std::fmod(seconds, 86400.0);
  if (seconds < 0.0) seconds += 86400.0;
  const int s = static_cast<int>(seconds);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return text;
}

SunTimes SunTimesOf(const SolarQuery& query, int error) {
  if (error != 0) return {};
  if (query.sunrise == kSolarAllDay && query.sunset == -kSolarAllDay) {
    return {kSunDownAllDay, kSunDownAllDay};
  }
  if (query.sunrise == -kSolarAllDay && query.sunset == kSolarAllDay) {
    return {kSunUpAllDay, kSunUpAllDay};
  }
  return {MinutesAsClockText(query.sunrise), MinutesAsClockText(query.sunset)};
}

SunTimes SunriseSunsetTexts(TimeValue now, float utcOffsetHours, float latitude, float longitude) {
  // The solar routine refuses offsets beyond 12 hours, which would leave the Chatham Islands
  // (+12:45), Tonga (+13) and the Line Islands (+14) with no sunrise at all. Such a zone is asked
  // as the zone 24 hours behind with the clock fields of the day before (or the other way
  // round): the routine takes the clock fields less the offset as universal time, so that time,
  // the clock and so the minutes of sunrise and sunset stay the same.
  if (utcOffsetHours > 12.0f) {
    utcOffsetHours -= 24.0f;
    now -= 86400;
  } else if (utcOffsetHours < -12.0f) {
    utcOffsetHours += 24.0f;
    now += 86400;
  }
  SolarQuery q = PropertiesSolarQuery(now, utcOffsetHours, latitude, longitude);
  const int error = ComputeSolarPosition(&q);
  return SunTimesOf(q, error);
}

}  // namespace meridiana
