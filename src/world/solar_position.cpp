#include "world/solar_position.h"

#include "world/solar_math.h"

namespace meridiana {
namespace {

using namespace solar;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthLength(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// NaN fails every range.
bool InRange(float v, float lo, float hi) { return v >= lo && v <= hi; }
bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

int Validate(const SolarQuery& q, int mask) {
  int errors = 0;
  // A day of the year that the year does not have would give a date past 31 December.
  if (mask & kSolarDayOfYear) {
    const int yearDays = InRange(q.year, 1950, 2050) && !IsLeapYear(q.year) ? 365 : 366;
    if (!InRange(q.dayOfYear, 1, yearDays)) errors |= kSolarBadDayOfYear;
  }
  if (!(mask & kSolarGeometry)) return errors;

  if (!InRange(q.year, 1950, 2050)) errors |= kSolarBadYear;
  if (!(mask & kSolarDayOfYear)) {
    if (!InRange(q.month, 1, 12)) errors |= kSolarBadMonth;
    if (!InRange(q.day, 1, 31)) errors |= kSolarBadDay;
  }
  if (!InRange(q.hour, 0, 24)) errors |= kSolarBadHour;
  if (!InRange(q.minute, 0, 59)) errors |= kSolarBadMinute;
  if (!InRange(q.second, 0, 59)) errors |= kSolarBadSecond;
  if (q.hour == 24 && q.minute != 0) errors |= kSolarBadHour | kSolarBadMinute;
  if (q.hour == 24 && q.second != 0) errors |= kSolarBadHour | kSolarBadSecond;
  if (!InRange(q.interval, 0, 28800)) errors |= kSolarBadInterval;
  if (!InRange(q.timezone, -12.0f, 12.0f)) errors |= kSolarBadTimezone;
  if (!InRange(q.latitude, -90.0f, 90.0f)) errors |= kSolarBadLatitude;
  if (!InRange(q.longitude, -180.0f, 180.0f)) errors |= kSolarBadLongitude;
  return errors;
}

void MonthAndDayFromDayOfYear(SolarQuery* q) {
  int rest = q->dayOfYear;
  int month = 1;
  while (month < 12 && rest > MonthLength(q->year, month)) rest -= MonthLength(q->year, month++);
  q->month = month;
  q->day = rest;
}

void DayOfYearFromMonthAndDay(SolarQuery* q) {
  int days = q->day;
  for (int m = 1; m < q->month; ++m) days += MonthLength(q->year, m);
  q->dayOfYear = days;
}

void Geometry(SolarQuery* q) {
  q->dayAngle = 360.0f * static_cast<float>(q->dayOfYear - 1) / 365.0f;

  const float clockSeconds = static_cast<float>(q->hour * 3600 + q->minute * 60 + q->second);
  q->universalTime =
      (clockSeconds - static_cast<float>(q->interval) / 2.0f) / 3600.0f - q->timezone;

  const int delta = q->year - 1949;
  const int leap = delta / 4;
  q->julianDay = 32916.5f + static_cast<float>(delta) * 365.0f + static_cast<float>(leap) +
                 static_cast<float>(q->dayOfYear) + q->universalTime / 24.0f;
  q->eclipticTime = q->julianDay - 51545.0f;

  q->meanLongitude = Reduce360(280.460f + 0.9856474f * q->eclipticTime);
  q->meanAnomaly = Reduce360(357.528f + 0.9856003f * q->eclipticTime);
  q->eclipticLongitude = Reduce360(q->meanLongitude + 1.915f * SinDeg(q->meanAnomaly) +
                                   0.020f * SinDeg(2.0f * q->meanAnomaly));
  q->obliquity = 23.439f - 0.0000004f * q->eclipticTime;
  q->declination = AsinDeg(SinDeg(q->obliquity) * SinDeg(q->eclipticLongitude));
  q->rightAscension =
      Atan2Deg(CosDeg(q->obliquity) * SinDeg(q->eclipticLongitude), CosDeg(q->eclipticLongitude));
  if (q->rightAscension < 0.0f) q->rightAscension += 360.0f;

  float gst = 6.697375f + 0.0657098242f * q->eclipticTime + q->universalTime;
  gst -= 24.0f * std::trunc(gst / 24.0f);
  if (gst < 0.0f) gst += 24.0f;
  q->greenwichSiderealTime = gst;

  q->localSiderealTime = LocalSiderealTime(q->greenwichSiderealTime, q->longitude);
  q->hourAngle = HourAngle(q->localSiderealTime, q->rightAscension);
}

void Zenith(SolarQuery* q) {
  const ZenithRow row =
      ZenithRowFactors(SinDeg(q->declination), CosDeg(q->declination), q->latitude);
  q->zenith = ZenithFromCos(CosZenith(row, CosDeg(q->hourAngle)));
  q->elevation = ElevationFromZenith(q->zenith);
}

void SunsetHourAngle(SolarQuery* q) {
  const float d = CosDeg(q->declination) * CosDeg(q->latitude);
  if (std::fabs(d) >= 0.001f) {
    const float k = -SinDeg(q->latitude) * SinDeg(q->declination) / d;
    if (k < -1.0f) {
      q->sunsetHourAngle = 180.0f;
    } else if (k > 1.0f) {
      q->sunsetHourAngle = 0.0f;
    } else {
      q->sunsetHourAngle = AcosDeg(k);
    }
    return;
  }
  // At a pole the Sun circles the horizon: up all day on the side it is declined towards.
  const bool up = (q->declination >= 0.0f && q->latitude > 0.0f) ||
                  (q->declination < 0.0f && q->latitude < 0.0f);
  q->sunsetHourAngle = up ? 180.0f : 0.0f;
}

void TrueSolarTime(SolarQuery* q) {
  q->trueSolarTime = (180.0f + q->hourAngle) * 4.0f;
  float fix = q->trueSolarTime - static_cast<float>(q->hour) * 60.0f -
              static_cast<float>(q->minute) - static_cast<float>(q->second) / 60.0f +
              static_cast<float>(q->interval) / 120.0f;
  // Validated inputs keep fix within a few days' minutes, so these loops end quickly.
  while (fix > 720.0f) fix -= 1440.0f;
  while (fix < -720.0f) fix += 1440.0f;
  q->solarTimeFix = fix;
}

void SunriseSunset(SolarQuery* q) {
  if (q->sunsetHourAngle <= 1.0f) {
    q->sunrise = kSolarAllDay;
    q->sunset = -kSolarAllDay;
  } else if (q->sunsetHourAngle >= 179.0f) {
    q->sunrise = -kSolarAllDay;
    q->sunset = kSolarAllDay;
  } else {
    q->sunrise = 720.0f - 4.0f * q->sunsetHourAngle - q->solarTimeFix;
    q->sunset = 720.0f + 4.0f * q->sunsetHourAngle - q->solarTimeFix;
  }
}

}  // namespace

int ExpandSolarMask(int mask) {
  if (mask & kSolarRiseSet) mask |= kSolarSunsetAngle | kSolarTrueTime;
  if (mask & (kSolarZenith | kSolarSunsetAngle | kSolarTrueTime)) mask |= kSolarGeometry;
  return mask;
}

int ComputeSolarPosition(SolarQuery* query) {
  if (!query) return 0;
  const int mask = ExpandSolarMask(query->functionMask);
  if (const int errors = Validate(*query, mask)) return errors;

  if (mask & kSolarDayOfYear) {
    MonthAndDayFromDayOfYear(query);
  } else if (mask & kSolarGeometry) {
    DayOfYearFromMonthAndDay(query);
  }
  if (mask & kSolarGeometry) Geometry(query);
  if (mask & kSolarZenith) Zenith(query);
  if (mask & kSolarSunsetAngle) SunsetHourAngle(query);
  if (mask & kSolarTrueTime) TrueSolarTime(query);
  if (mask & kSolarRiseSet) SunriseSunset(query);
  return 0;
}

bool InSolarYears(TimeValue t) {
  const int year = UtcBreakdown(t).year;
  return year >= kFirstSolarYear && year <= kLastSolarYear;
}

}  // namespace meridiana
