#include "world/moon.h"

#include <gtest/gtest.h>

#include <cmath>

namespace meridiana {
namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

double AngleBetween(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

// Worked examples of the standard astronomical-algorithms textbook (2nd edition): the Moon on
// 1992 April 12 at 0h dynamical time (examples 47.a and 48.a), where the instant is given in TT,
// so TT - UT is taken as 0 and the Julian day is the ephemeris day.
TEST(MoonAtJulianDay, TextbookExampleOf1992April12) {
  const MoonPosition p = MoonAtJulianDay(2448724.5, 0.0);
  struct Row {
    const char* what;
    double got, published, tolerance;
  };
  const Row rows[] = {
      {"geometric longitude", p.meanLongitude, 133.162655, 1e-6},
      {"latitude", p.latitude, -3.229126, 1e-6},
      {"distance km", p.distanceKm, 368409.7, 0.1},
      {"parallax", p.parallax, 0.991990, 1e-6},
      // The short nutation series differs from the full one by a fraction of an arcsecond.
      {"apparent longitude", p.apparentLongitude, 133.167265, 0.0001},
      {"true obliquity", p.trueObliquity, 23.440636, 0.00005},
      {"right ascension", p.rightAscension, 134.688470, 0.0001},
      {"declination", p.declination, 13.768368, 0.0001},
      {"illuminated fraction", p.illuminatedFraction, 0.6786, 0.0001},
      {"phase angle", p.phaseAngle, 69.0756, 0.01},
  };
  for (const Row& r : rows) EXPECT_NEAR(r.got, r.published, r.tolerance) << r.what;
}

// Example 12.a: sidereal time at Greenwich on 1987 April 10, 0h UT, mean 13h10m46.3668s and
// apparent 13h10m46.1351s. The apparent value carries the nutation; the sub-lunar longitude is
// right ascension minus this angle, so an error here moves the Moon's point on the map.
TEST(MoonAtJulianDay, ApparentSiderealTimeOfTheTextbookExample) {
  const MoonPosition p = MoonAtJulianDay(2446895.5, 55.0);
  const double published = (13 + 10 / 60.0 + 46.1351 / 3600.0) * 15.0;
  EXPECT_NEAR(p.apparentSiderealTime, published, 0.0002);
  EXPECT_NEAR(AngleBetween(p.rightAscension - p.apparentSiderealTime, p.subLunarLongitude), 0.0,
              1e-9);
}

// Right ascension and declination of date back to the J2000 equator (rigorous precession), the
// frame of the published declinations below.
void PrecessToJ2000(double jde, double ra, double dec, double* ra2000, double* dec2000) {
  const double t = -(jde - 2451545.0) / 36525.0;
  const double big = -t;  // the starting epoch, in centuries from J2000
  const double base = 2306.2181 + 1.39656 * big - 0.000139 * big * big;
  const double zeta = (base * t + (0.30188 - 0.000344 * big) * t * t + 0.017998 * t * t * t) / 3600;
  const double z = (base * t + (1.09468 + 0.000066 * big) * t * t + 0.018203 * t * t * t) / 3600;
  const double theta = ((2004.3109 - 0.85330 * big - 0.000217 * big * big) * t -
                        (0.42665 + 0.000217 * big) * t * t - 0.041833 * t * t * t) /
                       3600;
  const double a = std::cos(dec * kRad) * std::sin((ra + zeta) * kRad);
  const double b = std::cos(theta * kRad) * std::cos(dec * kRad) * std::cos((ra + zeta) * kRad) -
                   std::sin(theta * kRad) * std::sin(dec * kRad);
  const double c = std::sin(theta * kRad) * std::cos(dec * kRad) * std::cos((ra + zeta) * kRad) +
                   std::cos(theta * kRad) * std::sin(dec * kRad);
  *ra2000 = std::atan2(a, b) / kRad + z;
  *dec2000 = std::asin(c) / kRad;
}

// The principal phases of January 2024 from the DE430 ephemeris as in-the-sky.org lists them
// ("Dates of the Moon's phases", times in EST converted to UTC, declination J2000). At each
// instant the elongation is its phase's, the illuminated fraction follows, and the sub-lunar
// latitude (the declination) matches within the accuracy the map promises.
TEST(MoonAt, PrincipalPhasesOfJanuary2024) {
  struct Row {
    int day, hour, minute;
    double elongation;
    double declinationJ2000;
    double fraction;  // 0 at new, 0.5 at the quarters, 1 at full (to the latitude's effect)
    const char* name;
  };
  const Row rows[] = {
      {4, 3, 31, 270, -(4 + 28 / 60.0), 0.5, "Last Quarter"},
      {11, 11, 58, 0, -(26 + 49 / 60.0), 0.0, "New Moon"},
      {18, 3, 53, 90, 11 + 7 / 60.0, 0.5, "First Quarter"},
      {25, 17, 53, 180, 23 + 41 / 60.0, 1.0, "Full Moon"},
  };
  for (const Row& r : rows) {
    const MoonPosition p = MoonAt(UtcFromCalendar(2024, 1, r.day, r.hour, r.minute, 0));
    // Half a minute of rounding is 0.004 degrees of elongation; the Sun adds 0.01.
    EXPECT_NEAR(AngleBetween(p.elongation, r.elongation), 0.0, 0.02) << r.day;
    double ra2000 = 0, dec2000 = 0;
    PrecessToJ2000(p.julianEphemerisDay, p.rightAscension, p.declination, &ra2000, &dec2000);
    EXPECT_NEAR(dec2000, r.declinationJ2000, 0.05 / 3 + 1 / 120.0) << r.day;
    EXPECT_NEAR(p.illuminatedFraction, r.fraction, 0.005) << r.day;
    EXPECT_STREQ(MoonPhaseName(p.elongation), r.name);
  }
}

// New and full moons of 2019 with the Moon's angular distance from the Sun at that instant, as
// celnav.nl tabulates them ("Moon phases 2019", UT1). The illuminated fraction of a Moon that
// far from the Sun is (1 - cos d) / 2 to a few ten-thousandths, the Moon being 390 times nearer.
TEST(MoonAt, IlluminatedFractionAtNewAndFullMoons2019) {
  struct Row {
    int month, day, hour, minute;
    double degrees, minutes;  // angle with the Sun
  };
  const Row rows[] = {
      {1, 21, 5, 12, 179, 37.4},  // full, total lunar eclipse
      {7, 2, 19, 22, 0, 38.5},    // new, total solar eclipse
      {4, 5, 8, 42, 4, 57.4},     // new, far from the node
      {9, 14, 4, 8, 175, 24.8},   // full, far from the node
      {3, 6, 15, 31, 3, 55.0},    // new
      {8, 15, 11, 57, 177, 1.5},  // full
  };
  for (const Row& r : rows) {
    const MoonPosition p = MoonAt(UtcFromCalendar(2019, r.month, r.day, r.hour, r.minute, 0));
    const double d = (r.degrees + r.minutes / 60.0) * kRad;
    EXPECT_NEAR(p.illuminatedFraction, (1 - std::cos(d)) / 2, 0.005) << r.month << "-" << r.day;
    // The angle itself, from the Moon's latitude and elongation.
    const double psi =
        std::acos(std::cos(p.latitude * kRad) * std::cos(p.elongation * kRad)) / kRad;
    EXPECT_NEAR(psi, r.degrees + r.minutes / 60.0, 0.03) << r.month << "-" << r.day;
  }
}

// Perigee and apogee distances (centre to centre) as published: the hemelkalender.be glossary
// ("Perigeum": the perigees of January to March 2021 to the hour, and the extremes of 1960 to
// 2040). The Moon's nearest or farthest point within three hours of the published hour (twelve
// where only the day is given) must lie inside that window and be as near or as far as
// published. (The page's fourth 2021 line, 27 April 06h 360 309 km, fits neither the Moon's
// distance at that hour nor its perigee later that day, so it is left out.)
TEST(MoonAt, PerigeeAndApogeeDistances) {
  struct Row {
    int year, month, day, hour;
    double km;
    bool perigee;
  };
  const Row rows[] = {
      {2021, 1, 9, 16, 367387, true},  {2021, 2, 3, 19, 370116, true},
      {2021, 3, 2, 5, 365423, true},   {2034, 11, 25, 12, 356445, true},
      {1984, 3, 2, 12, 406712, false}, {1976, 7, 19, 12, 404064, false},
  };
  for (const Row& r : rows) {
    const TimeValue centre = UtcFromCalendar(r.year, r.month, r.day, r.hour, 0, 0);
    const int reach = r.year == 2021 ? 3 * 3600 : 12 * 3600;
    double extreme = r.perigee ? 1e9 : 0;
    TimeValue when = 0;
    for (TimeValue t = centre - reach; t <= centre + reach; t += 600) {
      const double km = MoonAt(t).distanceKm;
      if (r.perigee ? km < extreme : km > extreme) {
        extreme = km;
        when = t;
      }
    }
    EXPECT_GT(when, centre - reach) << r.year << "-" << r.month << "-" << r.day;
    EXPECT_LT(when, centre + reach) << r.year << "-" << r.month << "-" << r.day;
    // The truncated theory keeps the distance within a few kilometres; the published figures
    // are rounded to the kilometre.
    EXPECT_NEAR(extreme, r.km, 15.0) << r.year << "-" << r.month << "-" << r.day;
  }
}

TEST(MoonAgeDays, CountsFromTheLastNewMoon) {
  // New moon 2024-01-11 11:58 UTC and 2024-02-09 22:59 UTC (in-the-sky.org, DE430).
  const TimeValue newMoon = UtcFromCalendar(2024, 1, 11, 11, 58, 0);
  struct Row {
    TimeValue at;
    double age;
  };
  const Row rows[] = {
      {newMoon + 3600, 1 / 24.0},
      {newMoon + 10 * 86400, 10.0},
      {newMoon + 29 * 86400, 29.0},  // a lunation of 29.46 days: not yet the next one
      {UtcFromCalendar(2024, 2, 9, 23, 59, 0), 1 / 24.0},
  };
  for (const Row& r : rows) EXPECT_NEAR(MoonAgeDays(MoonAt(r.at)), r.age, 0.01);
}

// The Moon at Longyearbyen (78.22 N, 15.65 E, clock UTC+1) around the new and full moons of
// January 2024, when its declination was 26.8 degrees south and 23.7 north (the phase table
// above): so far south it cannot climb above a horizon at 78 degrees north, so far north it
// cannot sink below it. Oslo, 18 degrees further south, sees it rise and set on both days.
TEST(MoonTimesForDay, PolarDaysReadAsWords) {
  struct Row {
    int day;
    double latitude, longitude;
    const char* rise;
    const char* set;
  };
  const Row rows[] = {
      {11, 78.22, 15.65, kMoonDownAllDay, kMoonDownAllDay},
      {25, 78.22, 15.65, kMoonUpAllDay, kMoonUpAllDay},
  };
  for (const Row& r : rows) {
    const MoonTimes t =
        MoonTimesForDay(UtcFromCalendar(2024, 1, r.day, 12, 0, 0), 3600, r.latitude, r.longitude);
    EXPECT_EQ(t.moonrise, r.rise) << r.day;
    EXPECT_EQ(t.moonset, r.set) << r.day;
  }
  for (int day : {11, 25}) {
    const MoonTimes oslo =
        MoonTimesForDay(UtcFromCalendar(2024, 1, day, 12, 0, 0), 3600, 59.91, 10.75);
    EXPECT_EQ(oslo.moonrise.size(), 5u) << oslo.moonrise;
    EXPECT_EQ(oslo.moonset.size(), 5u) << oslo.moonset;
  }
}

// Once a month the Moon rises after midnight one day and next rises after midnight the day
// after: that day has no moonrise. The times are shown in the clock's own day.
TEST(MoonTimesOf, MissingEventsAndClockTimes) {
  const TimeValue day = UtcFromCalendar(2024, 1, 1, 0, 0, 0);
  MoonEvents onlySet;
  onlySet.set = day + 9 * 3600 + 29 * 60 + 31;  // 09:29:31 UTC
  const MoonTimes a = MoonTimesOf(onlySet, 3600);
  EXPECT_EQ(a.moonrise, kNoMoonrise);
  EXPECT_EQ(a.moonset, "10:30");
  MoonEvents onlyRise;
  onlyRise.rise = day + 23 * 3600 + 10 * 60;
  const MoonTimes b = MoonTimesOf(onlyRise, -5 * 3600);
  EXPECT_EQ(b.moonrise, "18:10");
  EXPECT_EQ(b.moonset, kNoMoonset);
}

}  // namespace
}  // namespace meridiana
