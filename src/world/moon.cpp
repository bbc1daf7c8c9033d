#include "world/moon.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace meridiana {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180.0;
constexpr double kEarthRadiusKm = 6378.14;
constexpr double kAuKm = 149597870.7;
constexpr double kSynodicMonth = 29.530588853;

double Sin(double degrees) { return std::sin(degrees * kRad); }
double Cos(double degrees) { return std::cos(degrees * kRad); }

double Reduce360(double x) {
  x = std::fmod(x, 360.0);
  return x < 0 ? x + 360.0 : x;
}

double Reduce180(double x) {
  x = Reduce360(x);
  return x > 180.0 ? x - 360.0 : x;
}

// A periodic term: multiples of D (mean elongation), M (the Sun's mean anomaly), M' (the Moon's
// mean anomaly) and F (argument of latitude), then the coefficients.
struct LongitudeDistanceTerm {
  std::int8_t d, m, mp, f;
  std::int32_t longitude;  // 1e-6 degree, sine
  std::int32_t distance;   // metres, cosine
};

struct LatitudeTerm {
  std::int8_t d, m, mp, f;
  std::int32_t latitude;  // 1e-6 degree, sine
};

// clang-format off
constexpr LongitudeDistanceTerm kLongitudeDistance[] = {
    {0, 0, 1, 0, 6288774, -20905355}, {2, 0, -1, 0, 1274027, -3699111},
    {2, 0, 0, 0, 658314, -2955968},   {0, 0, 2, 0, 213618, -569925},
    {0, 1, 0, 0, -185116, 48888},     {0, 0, 0, 2, -114332, -3149},
    {2, 0, -2, 0, 58793, 246158},     {2, -1, -1, 0, 57066, -152138},
    {2, 0, 1, 0, 53322, -170733},     {2, -1, 0, 0, 45758, -204586},
    {0, 1, -1, 0, -40923, -129620},   {1, 0, 0, 0, -34720, 108743},
    {0, 1, 1, 0, -30383, 104755},     {2, 0, 0, -2, 15327, 10321},
    {0, 0, 1, 2, -12528, 0},          {0, 0, 1, -2, 10980, 79661},
    {4, 0, -1, 0, 10675, -34782},     {0, 0, 3, 0, 10034, -23210},
    {4, 0, -2, 0, 8548, -21636},      {2, 1, -1, 0, -7888, 24208},
    {2, 1, 0, 0, -6766, 30824},       {1, 0, -1, 0, -5163, -8379},
    {1, 1, 0, 0, 4987, -16675},       {2, -1, 1, 0, 4036, -12831},
    {2, 0, 2, 0, 3994, -10445},       {4, 0, 0, 0, 3861, -11650},
    {2, 0, -3, 0, 3665, 14403},       {0, 1, -2, 0, -2689, -7003},
    {2, 0, -1, 2, -2602, 0},          {2, -1, -2, 0, 2390, 10056},
    {1, 0, 1, 0, -2348, 6322},        {2, -2, 0, 0, 2236, -9884},
    {0, 1, 2, 0, -2120, 5751},        {0, 2, 0, 0, -2069, 0},
    {2, -2, -1, 0, 2048, -4950},      {2, 0, 1, -2, -1773, 4130},
    {2, 0, 0, 2, -1595, 0},           {4, -1, -1, 0, 1215, -3958},
    {0, 0, 2, 2, -1110, 0},           {3, 0, -1, 0, -892, 3258},
    {2, 1, 1, 0, -810, 2616},         {4, -1, -2, 0, 759, -1897},
    {0, 2, -1, 0, -713, -2117},       {2, 2, -1, 0, -700, 2354},
    {2, 1, -2, 0, 691, 0},            {2, -1, 0, -2, 596, 0},
    {4, 0, 1, 0, 549, -1423},         {0, 0, 4, 0, 537, -1117},
    {4, -1, 0, 0, 520, -1571},        {1, 0, -2, 0, -487, -1739},
    {2, 1, 0, -2, -399, 0},           {0, 0, 2, -2, -381, -4421},
    {1, 1, 1, 0, 351, 0},             {3, 0, -2, 0, -340, 0},
    {4, 0, -3, 0, 330, 0},            {2, -1, 2, 0, 327, 0},
    {0, 2, 1, 0, -323, 1165},         {1, 1, -1, 0, 299, 0},
    {2, 0, 3, 0, 294, 0},             {2, 0, -1, -2, 0, 8752},
};

constexpr LatitudeTerm kLatitude[] = {
    {0, 0, 0, 1, 5128122}, {0, 0, 1, 1, 280602}, {0, 0, 1, -1, 277693}, {2, 0, 0, -1, 173237},
    {2, 0, -1, 1, 55413},  {2, 0, -1, -1, 46271}, {2, 0, 0, 1, 32573},   {0, 0, 2, 1, 17198},
    {2, 0, 1, -1, 9266},   {0, 0, 2, -1, 8822},   {2, -1, 0, -1, 8216},  {2, 0, -2, -1, 4324},
    {2, 0, 1, 1, 4200},    {2, 1, 0, -1, -3359},  {2, -1, -1, 1, 2463},  {2, -1, 0, 1, 2211},
    {2, -1, -1, -1, 2065}, {0, 1, -1, -1, -1870}, {4, 0, -1, -1, 1828},  {0, 1, 0, 1, -1794},
    {0, 0, 0, 3, -1749},   {0, 1, -1, 1, -1565},  {1, 0, 0, 1, -1491},   {0, 1, 1, 1, -1475},
    {0, 1, 1, -1, -1410},  {0, 1, 0, -1, -1344},  {1, 0, 0, -1, -1335},  {0, 0, 3, 1, 1107},
    {4, 0, 0, -1, 1021},   {4, 0, -1, 1, 833},    {0, 0, 1, -3, 777},    {4, 0, -2, 1, 671},
    {2, 0, 0, -3, 607},    {2, 0, 2, -1, 596},    {2, -1, 1, -1, 491},   {2, 0, -2, 1, -451},
    {0, 0, 3, -1, 439},    {2, 0, 2, 1, 422},     {2, 0, -3, -1, 421},   {2, 1, -1, 1, -366},
    {2, 1, 0, 1, -351},    {4, 0, 0, 1, 331},     {2, -1, 1, 1, 315},    {2, -2, 0, -1, 302},
    {0, 0, 1, 3, -283},    {2, 1, 1, -1, -229},   {1, 1, 0, -1, 223},    {1, 1, 0, 1, 223},
    {0, 1, -2, -1, -220},  {2, 1, -1, -1, -220},  {1, 0, 1, 1, -185},    {2, -1, -2, -1, 181},
    {0, 1, 2, 1, -177},    {4, 0, -2, -1, 176},   {4, -1, -1, -1, 166},  {1, 0, 1, -1, -164},
    {4, 0, 1, -1, 132},    {1, 0, -1, -1, -119},  {4, -1, 0, -1, 115},   {2, -2, 0, 1, 107},
};
// clang-format on

// The terms with the Sun's mean anomaly shrink with the Earth's orbital eccentricity.
double EccentricityFactor(int m, double e) {
  switch (m < 0 ? -m : m) {
    case 1:
      return e;
    case 2:
      return e * e;
    default:
      return 1.0;
  }
}

struct Nutation {
  double longitude;  // degrees
  double obliquity;  // degrees
};

// Nutation to half an arcsecond in longitude and a tenth in obliquity: the four largest terms.
Nutation NutationAt(double t) {
  const double node = 125.04452 - 1934.136261 * t + 0.0020708 * t * t + t * t * t / 450000.0;
  const double sunMean = 280.4665 + 36000.7698 * t;
  const double moonMean = 218.3165 + 481267.8813 * t;
  const double psi = -17.20 * Sin(node) - 1.32 * Sin(2 * sunMean) - 0.23 * Sin(2 * moonMean) +
                     0.21 * Sin(2 * node);
  const double eps =
      9.20 * Cos(node) + 0.57 * Cos(2 * sunMean) + 0.10 * Cos(2 * moonMean) - 0.09 * Cos(2 * node);
  return {psi / 3600.0, eps / 3600.0};
}

double MeanObliquity(double t) {
  const double seconds = 21.448 - 46.8150 * t - 0.00059 * t * t + 0.001813 * t * t * t;
  return 23.0 + 26.0 / 60.0 + seconds / 3600.0;
}

// Mean sidereal time at Greenwich (degrees) for a Julian day in UT.
double MeanSiderealTime(double julianDayUt) {
  const double d = julianDayUt - 2451545.0;
  const double t = d / 36525.0;
  return Reduce360(280.46061837 + 360.98564736629 * d + 0.000387933 * t * t -
                   t * t * t / 38710000.0);
}

void EclipticToEquator(double longitude, double latitude, double obliquity, double* ra,
                       double* dec) {
  *ra = Reduce360(
      std::atan2(Sin(longitude) * Cos(obliquity) - std::tan(latitude * kRad) * Sin(obliquity),
                 Cos(longitude)) /
      kRad);
  *dec =
      std::asin(Sin(latitude) * Cos(obliquity) + Cos(latitude) * Sin(obliquity) * Sin(longitude)) /
      kRad;
}

void LunarTheory(double t, MoonPosition* p) {
  const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
  const double lp = Reduce360(218.3164477 + 481267.88123421 * t - 0.0015786 * t2 + t3 / 538841.0 -
                              t4 / 65194000.0);
  const double d = Reduce360(297.8501921 + 445267.1114034 * t - 0.0018819 * t2 + t3 / 545868.0 -
                             t4 / 113065000.0);
  const double m = Reduce360(357.5291092 + 35999.0502909 * t - 0.0001536 * t2 + t3 / 24490000.0);
  const double mp =
      Reduce360(134.9633964 + 477198.8675055 * t + 0.0087414 * t2 + t3 / 69699.0 - t4 / 14712000.0);
  const double f = Reduce360(93.2720950 + 483202.0175233 * t - 0.0036539 * t2 - t3 / 3526000.0 +
                             t4 / 863310000.0);
  const double a1 = Reduce360(119.75 + 131.849 * t);    // Venus
  const double a2 = Reduce360(53.09 + 479264.290 * t);  // Jupiter
  const double a3 = Reduce360(313.45 + 481266.484 * t);
  const double e = 1.0 - 0.002516 * t - 0.0000074 * t2;

  double sumL = 0, sumR = 0, sumB = 0;
  for (const LongitudeDistanceTerm& k : kLongitudeDistance) {
    const double arg = k.d * d + k.m * m + k.mp * mp + k.f * f;
    const double factor = EccentricityFactor(k.m, e);
    sumL += factor * k.longitude * Sin(arg);
    sumR += factor * k.distance * Cos(arg);
  }
  for (const LatitudeTerm& k : kLatitude) {
    const double arg = k.d * d + k.m * m + k.mp * mp + k.f * f;
    sumB += EccentricityFactor(k.m, e) * k.latitude * Sin(arg);
  }
  sumL += 3958 * Sin(a1) + 1962 * Sin(lp - f) + 318 * Sin(a2);
  sumB += -2235 * Sin(lp) + 382 * Sin(a3) + 175 * Sin(a1 - f) + 175 * Sin(a1 + f) +
          127 * Sin(lp - mp) - 115 * Sin(lp + mp);

  p->meanLongitude = Reduce360(lp + sumL / 1e6);
  p->latitude = sumB / 1e6;
  p->distanceKm = 385000.56 + sumR / 1000.0;
  p->parallax = std::asin(kEarthRadiusKm / p->distanceKm) / kRad;
}

// The Sun's apparent longitude and distance to a hundredth of a degree.
void SolarTheory(double t, MoonPosition* p) {
  const double l0 = 280.46646 + 36000.76983 * t + 0.0003032 * t * t;
  const double m = 357.52911 + 35999.05029 * t - 0.0001537 * t * t;
  const double e = 0.016708634 - 0.000042037 * t - 0.0000001267 * t * t;
  const double c = (1.914602 - 0.004817 * t - 0.000014 * t * t) * Sin(m) +
                   (0.019993 - 0.000101 * t) * Sin(2 * m) + 0.000289 * Sin(3 * m);
  const double trueLongitude = l0 + c;
  const double anomaly = m + c;
  const double radius = 1.000001018 * (1 - e * e) / (1 + e * Cos(anomaly));
  const double node = 125.04 - 1934.136 * t;
  p->sunLongitude = Reduce360(trueLongitude - 0.00569 - 0.00478 * Sin(node));
  p->sunDistanceKm = radius * kAuKm;
}

// Initial great-circle bearing from (lat1, lon1) towards (lat2, lon2), 0..360.
double Bearing(double lat1, double lon1, double lat2, double lon2) {
  const double dl = lon2 - lon1;
  const double y = Sin(dl) * Cos(lat2);
  const double x = Cos(lat1) * Sin(lat2) - Sin(lat1) * Cos(lat2) * Cos(dl);
  return Reduce360(std::atan2(y, x) / kRad);
}

}  // namespace

double JulianDayOf(TimeValue t) { return static_cast<double>(t) / 86400.0 + 2440587.5; }

double DeltaTSeconds(double year) {
  if (year >= 2005 && year < 2050) {
    const double t = year - 2000;
    return 62.92 + 0.32217 * t + 0.005589 * t * t;
  }
  if (year >= 1986 && year < 2005) {
    const double t = year - 2000;
    return 63.86 + 0.3345 * t - 0.060374 * t * t + 0.0017275 * t * t * t +
           0.000651814 * t * t * t * t + 0.00002373599 * t * t * t * t * t;
  }
  if (year >= 1961 && year < 1986) {
    const double t = year - 1975;
    return 45.45 + 1.067 * t - t * t / 260.0 - t * t * t / 718.0;
  }
  if (year >= 1941 && year < 1961) {
    const double t = year - 1950;
    return 29.07 + 0.407 * t - t * t / 233.0 + t * t * t / 2547.0;
  }
  const double u = (year - 1820) / 100.0;
  if (year >= 2050 && year < 2150) return -20 + 32 * u * u - 0.5628 * (2150 - year);
  return -20 + 32 * u * u;
}

MoonPosition MoonAtJulianDay(double julianDayUt, double deltaTSeconds) {
  MoonPosition p;
  p.julianDay = julianDayUt;
  p.julianEphemerisDay = julianDayUt + deltaTSeconds / 86400.0;
  const double t = (p.julianEphemerisDay - 2451545.0) / 36525.0;

  LunarTheory(t, &p);
  SolarTheory(t, &p);
  const Nutation nutation = NutationAt(t);
  p.nutationLongitude = nutation.longitude;
  p.trueObliquity = MeanObliquity(t) + nutation.obliquity;
  p.apparentLongitude = Reduce360(p.meanLongitude + nutation.longitude);
  EclipticToEquator(p.apparentLongitude, p.latitude, p.trueObliquity, &p.rightAscension,
                    &p.declination);
  EclipticToEquator(p.sunLongitude, 0.0, p.trueObliquity, &p.sunRightAscension, &p.sunDeclination);

  p.apparentSiderealTime =
      Reduce360(MeanSiderealTime(julianDayUt) + nutation.longitude * Cos(p.trueObliquity));
  p.subLunarLatitude = p.declination;
  p.subLunarLongitude = Reduce180(p.rightAscension - p.apparentSiderealTime);
  p.subSolarLatitude = p.sunDeclination;
  p.subSolarLongitude = Reduce180(p.sunRightAscension - p.apparentSiderealTime);

  p.elongation = Reduce360(p.apparentLongitude - p.sunLongitude);
  // Geocentric elongation, then the angle at the Moon between the Sun and the Earth.
  const double cosPsi = Cos(p.latitude) * Cos(p.apparentLongitude - p.sunLongitude);
  const double psi = std::acos(cosPsi);
  p.phaseAngle =
      std::atan2(p.sunDistanceKm * std::sin(psi), p.distanceKm - p.sunDistanceKm * cosPsi) / kRad;
  p.illuminatedFraction = (1 + Cos(p.phaseAngle)) / 2;
  p.litBearing =
      Bearing(p.subLunarLatitude, p.subLunarLongitude, p.subSolarLatitude, p.subSolarLongitude);
  return p;
}

MoonPosition MoonAt(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  const double year = c.year + (c.month - 0.5) / 12.0;
  return MoonAtJulianDay(JulianDayOf(t), DeltaTSeconds(year));
}

double MoonAgeDays(const MoonPosition& position) {
  const double deltaT = (position.julianEphemerisDay - position.julianDay) * 86400.0;
  // The elongation grows about 12.19 degrees a day; a few corrections find the new moon.
  double jd = position.julianDay - position.elongation / 360.0 * kSynodicMonth;
  for (int i = 0; i < 5; ++i) {
    const MoonPosition then = MoonAtJulianDay(jd, deltaT);
    jd -= Reduce180(then.elongation) / 360.0 * kSynodicMonth;
  }
  double age = position.julianDay - jd;
  if (age < 0) age += kSynodicMonth;  // just before new moon the search lands on the next one
  return age;
}

const char* MoonPhaseName(double elongation) {
  constexpr double kPrincipal = 6.0;
  const double e = Reduce360(elongation);
  if (e < kPrincipal || e >= 360 - kPrincipal) return "New Moon";
  if (e < 90 - kPrincipal) return "Waxing Crescent";
  if (e < 90 + kPrincipal) return "First Quarter";
  if (e < 180 - kPrincipal) return "Waxing Gibbous";
  if (e < 180 + kPrincipal) return "Full Moon";
  if (e < 270 - kPrincipal) return "Waning Gibbous";
  if (e < 270 + kPrincipal) return "Last Quarter";
  return "Waning Crescent";
}

double MoonRiseAltitude(double parallax) { return 0.7275 * parallax - 34.0 / 60.0; }

double MoonAltitude(const MoonPosition& p, double latitude, double longitude) {
  const double hourAngle = p.apparentSiderealTime + longitude - p.rightAscension;
  return std::asin(Sin(latitude) * Sin(p.declination) +
                   Cos(latitude) * Cos(p.declination) * Cos(hourAngle)) /
         kRad;
}

MoonEvents MoonRiseSet(TimeValue dayStart, double latitude, double longitude) {
  const auto above = [&](TimeValue t) {
    const MoonPosition p = MoonAt(t);
    return MoonAltitude(p, latitude, longitude) - MoonRiseAltitude(p.parallax);
  };
  constexpr TimeValue kStep = 300;
  MoonEvents events;
  double before = above(dayStart);
  events.upAtStart = before > 0;
  for (TimeValue t = dayStart; t < dayStart + 86400; t += kStep) {
    const double after = above(t + kStep);
    if ((before > 0) != (after > 0)) {
      const bool rising = after > 0;
      TimeValue lo = t, hi = t + kStep;
      while (hi - lo > 1) {
        const TimeValue mid = lo + (hi - lo) / 2;
        ((above(mid) > 0) == rising ? hi : lo) = mid;
      }
      // The event happens within the day: an event in the last second of the step past the
      // end of the day belongs to the next one.
      if (hi < dayStart + 86400) {
        std::optional<TimeValue>& slot = rising ? events.rise : events.set;
        if (!slot) slot = hi;
      }
    }
    before = after;
  }
  return events;
}

MoonTimes MoonTimesOf(const MoonEvents& events, int offsetSeconds) {
  if (!events.rise && !events.set) {
    const char* words = events.upAtStart ? kMoonUpAllDay : kMoonDownAllDay;
    return {words, words};
  }
  const auto clock = [&](const std::optional<TimeValue>& t, const char* none) -> std::string {
    if (!t) return none;
    const TimeValue local = *t + offsetSeconds + 30;  // to the nearest minute
    long long minutes = (local / 60) % 1440;
    if (minutes < 0) minutes += 1440;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
    return text;
  };
  return {clock(events.rise, kNoMoonrise), clock(events.set, kNoMoonset)};
}

MoonTimes MoonTimesForDay(TimeValue now, int offsetSeconds, double latitude, double longitude) {
  TimeValue local = now + offsetSeconds;
  TimeValue midnight = local - local % 86400;
  if (local % 86400 < 0) midnight -= 86400;
  const TimeValue dayStart = midnight - offsetSeconds;
  return MoonTimesOf(MoonRiseSet(dayStart, latitude, longitude), offsetSeconds);
}

}  // namespace meridiana
