#include "world/solar_texts.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "world/utc_offset.h"

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

namespace {

// The routine takes offsets within 12 hours only. A zone beyond is asked as the zone 24 hours
// behind with the clock fields of the day before (or the other way round): the routine takes the
// clock fields less the offset as universal time, so that time, the clock and so the minutes of
// sunrise and sunset stay the same.
int ComputeForZone(TimeValue now, float utcOffsetHours, float latitude, float longitude,
                   SolarQuery* q) {
  if (utcOffsetHours > 12.0f) {
    utcOffsetHours -= 24.0f;
    now -= 86400;
  } else if (utcOffsetHours < -12.0f) {
    utcOffsetHours += 24.0f;
    now += 86400;
  }
  *q = PropertiesSolarQuery(now, utcOffsetHours, latitude, longitude);
  return ComputeSolarPosition(q);
}

// Minutes between solar noon and the moment the Sun stands at `altitude`: none when it stays
// below, 720 or more when it stays above.
std::optional<double> MinutesFromNoon(float declination, float latitude, double altitude) {
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  const double phi = static_cast<double>(latitude) * kRad;
  const double delta = static_cast<double>(declination) * kRad;
  const double d = std::cos(phi) * std::cos(delta);
  const double s = std::sin(altitude * kRad) - std::sin(phi) * std::sin(delta);
  if (std::abs(d) < 1e-9) return s > 0 ? std::nullopt : std::optional<double>(720.0);
  const double k = s / d;
  if (k > 1.0) return std::nullopt;
  if (k < -1.0) return 720.0;
  return 4.0 * std::acos(k) / kRad;
}

std::string MinutesAsHourMinute(double minutes) {
  long long m = static_cast<long long>(std::floor(minutes)) % 1440;
  if (m < 0) m += 1440;
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(m / 60), static_cast<int>(m % 60));
  return text;
}

}  // namespace

SunTimes SunriseSunsetTexts(TimeValue now, float utcOffsetHours, float latitude, float longitude) {
  // Without this, the Chatham Islands (+12:45), Tonga (+13) and the Line Islands (+14) would
  // have no sunrise at all.
  SolarQuery q{};
  const int error = ComputeForZone(now, utcOffsetHours, latitude, longitude, &q);
  return SunTimesOf(q, error);
}

namespace {

// The morning and evening moments the Sun stands at `altitude`, in clock time, or the words of
// a day on which it stays above (`above`) or below (`below`) that altitude.
SunTimes SunAtAltitude(TimeValue now, float utcOffsetHours, int savingMinutes, float latitude,
                       float longitude, double altitude, const char* above, const char* below) {
  SolarQuery q{};
  if (ComputeForZone(now, utcOffsetHours, latitude, longitude, &q) != 0) return {};
  const double standardNoon = 720.0 - static_cast<double>(q.solarTimeFix);
  const std::optional<double> halfDay = MinutesFromNoon(q.declination, latitude, altitude);
  if (!halfDay) return {below, below};
  if (*halfDay >= 720.0) return {above, above};
  // Once more with the Sun as it stands at each event: its declination moves up to half a
  // degree a day, which is a minute at mid latitudes.
  const TimeValue localMidnight = now + OffsetSeconds(utcOffsetHours) -
                                  (now + OffsetSeconds(utcOffsetHours)) % 86400 -
                                  OffsetSeconds(utcOffsetHours);
  double events[2] = {standardNoon - *halfDay, standardNoon + *halfDay};
  for (int i = 0; i < 2; ++i) {
    const TimeValue at = localMidnight + static_cast<TimeValue>(std::floor(events[i] * 60.0));
    SolarQuery then{};
    if (ComputeForZone(at, utcOffsetHours, latitude, longitude, &then) != 0) continue;
    const std::optional<double> half = MinutesFromNoon(then.declination, latitude, altitude);
    if (!half || *half >= 720.0) continue;
    const double noon = 720.0 - static_cast<double>(then.solarTimeFix);
    events[i] = i == 0 ? noon - *half : noon + *half;
  }
  return {MinutesAsHourMinute(events[0] + savingMinutes),
          MinutesAsHourMinute(events[1] + savingMinutes)};
}

}  // namespace

SunTimes ApparentSunTexts(TimeValue now, float utcOffsetHours, int savingMinutes, float latitude,
                          float longitude) {
  return SunAtAltitude(now, utcOffsetHours, savingMinutes, latitude, longitude, kUpperLimbAltitude,
                       kSunUpAllDay, kSunDownAllDay);
}

TwilightTimes TwilightTexts(TimeValue now, float utcOffsetHours, int savingMinutes, float latitude,
                            float longitude) {
  const auto at = [&](double altitude, const char* above, const char* below) {
    return SunAtAltitude(now, utcOffsetHours, savingMinutes, latitude, longitude, altitude, above,
                         below);
  };
  return {at(-6.0, kAboveMinus6, kBelowMinus6), at(-12.0, kAboveMinus12, kBelowMinus12),
          at(-18.0, kAboveMinus18, kBelowMinus18)};
}

}  // namespace meridiana
