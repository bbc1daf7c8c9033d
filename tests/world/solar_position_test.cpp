#include "world/solar_position.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/clock.h"
#include "world/solar_texts.h"

namespace meridiana {
namespace {

// An independent double-precision evaluation of the published algorithm (Michalsky's
// approximation, as used by NREL SOLPOS). It takes the Julian day from the Unix time instead of
// from the calendar fields, so date and leap-year slips in the code under test show up.
struct Reference {
  double declination;
  double rightAscension;
  double hourAngle;
  double elevation;
  double sunrise;  // minutes after local standard midnight, or NaN without a rise
  double sunset;
};

constexpr double kPi = 3.14159265358979323846;
double Rad(double d) { return d * kPi / 180.0; }
double Deg(double r) { return r * 180.0 / kPi; }
double Wrap(double x, double period) {
  x = std::fmod(x, period);
  return x < 0 ? x + period : x;
}

// The clock fields are the UTC clock of `utc`, given with the zone offset `tz`, as the
// Properties dialog fills them.
Reference ReferenceSun(TimeValue utc, double tz, double lat, double lon) {
  const CalendarTime c = UtcBreakdown(utc);
  const int clockSeconds = c.hour * 3600 + c.minute * 60 + c.second;
  const double ut = clockSeconds / 3600.0 - tz;  // UTC clock fields, zone offset subtracted
  const double dayStart = static_cast<double>(utc - clockSeconds);
  const double jd = (dayStart + ut * 3600.0) / 86400.0 + 2440587.5;
  const double n = jd - 2451545.0;
  const double L = Wrap(280.460 + 0.9856474 * n, 360.0);
  const double g = Wrap(357.528 + 0.9856003 * n, 360.0);
  const double lambda = Wrap(L + 1.915 * std::sin(Rad(g)) + 0.020 * std::sin(Rad(2 * g)), 360.0);
  const double eps = 23.439 - 0.0000004 * n;
  Reference r{};
  r.declination = Deg(std::asin(std::sin(Rad(eps)) * std::sin(Rad(lambda))));
  r.rightAscension = Wrap(
      Deg(std::atan2(std::cos(Rad(eps)) * std::sin(Rad(lambda)), std::cos(Rad(lambda)))), 360.0);
  const double gmst = Wrap(6.697375 + 0.0657098242 * n + ut, 24.0);
  double ha = Wrap(gmst * 15.0 + lon, 360.0) - r.rightAscension;
  if (ha < -180) ha += 360;
  if (ha > 180) ha -= 360;
  r.hourAngle = ha;
  const double cz = std::sin(Rad(r.declination)) * std::sin(Rad(lat)) +
                    std::cos(Rad(r.declination)) * std::cos(Rad(lat)) * std::cos(Rad(ha));
  r.elevation = 90.0 - std::min(99.0, Deg(std::acos(std::clamp(cz, -1.0, 1.0))));

  const double k = -std::tan(Rad(lat)) * std::tan(Rad(r.declination));
  if (k <= -1.0 || k >= 1.0) {
    r.sunrise = r.sunset = NAN;
  } else {
    const double ssha = Deg(std::acos(k));
    // True solar time minus the clock, in minutes.
    double fix = (180.0 + ha) * 4.0 - clockSeconds / 60.0;
    fix = Wrap(fix + 720.0, 1440.0) - 720.0;
    r.sunrise = 720.0 - 4.0 * ssha - fix;
    r.sunset = 720.0 + 4.0 * ssha - fix;
  }
  return r;
}

double AngleDiff(double a, double b) { return std::fabs(Wrap(a - b + 180.0, 360.0) - 180.0); }

TEST(ComputeSolarPosition, AgreesWithDoublePrecisionReference) {
  struct Place {
    float lat, lon, tz;
  };
  const Place places[] = {{51.5f, -0.13f, 0},  {40.71f, -74.0f, -5}, {-33.87f, 151.2f, 10},
                          {0.0f, 0.0f, 0},     {64.15f, -21.9f, 0},  {-54.8f, -68.3f, -3},
                          {35.7f, 139.7f, 9},  {19.4f, -99.1f, -6},  {-1.3f, 36.8f, 3},
                          {28.6f, 77.2f, 5.5f}};
  const TimeValue instants[] = {
      UtcFromCalendar(1950, 1, 1, 0, 0, 0),      UtcFromCalendar(1969, 7, 20, 20, 17, 40),
      UtcFromCalendar(2000, 2, 29, 12, 0, 0),    UtcFromCalendar(2005, 4, 5, 9, 5, 3),
      UtcFromCalendar(2024, 3, 20, 3, 6, 0),     UtcFromCalendar(2024, 6, 20, 20, 51, 0),
      UtcFromCalendar(2024, 12, 31, 23, 59, 59), UtcFromCalendar(2050, 12, 31, 18, 30, 0)};
  for (const TimeValue t : instants) {
    for (const Place& p : places) {
      SolarQuery q = PropertiesSolarQuery(t, p.tz, p.lat, p.lon);
      ASSERT_EQ(ComputeSolarPosition(&q), 0);
      const Reference r = ReferenceSun(t, p.tz, p.lat, p.lon);
      SCOPED_TRACE(::testing::Message() << "t=" << t << " lat=" << p.lat << " lon=" << p.lon);
      // Single precision: the Julian day is held to about 0.004 days, acos loses digits near 1.
      EXPECT_NEAR(q.declination, r.declination, 0.005);
      EXPECT_LT(AngleDiff(q.rightAscension, r.rightAscension), 0.01);
      EXPECT_LT(AngleDiff(q.hourAngle, r.hourAngle), 0.01);
      EXPECT_NEAR(q.elevation, r.elevation, 0.05);
      EXPECT_NEAR(q.elevation, 90.0f - q.zenith, 1e-5);
      if (!std::isnan(r.sunrise)) {
        EXPECT_NEAR(q.sunrise, r.sunrise, 0.1);
        EXPECT_NEAR(q.sunset, r.sunset, 0.1);
      }
    }
  }
}

// Sunrise and sunset from the NOAA Solar Calculator's equations (Meeus), evaluated with
// python3-astral 1.6.1 for each city's standard time: `riseApparent`/`setApparent` are the
// almanac's times (the Sun's upper limb at the horizon, 0.833 degrees of refraction and
// semi-diameter); `riseGeometric`/`setGeometric` the same equations for the Sun's centre on the
// unrefracted horizon. Ours are geometric, so they must sit close to the second pair and a few
// minutes inside the first: the almanac's day is longer by the time the Sun takes to sink
// 0.833 degrees, 3 to 5 minutes at mid latitudes and up to 20 near the Arctic circle.
TEST(SunriseSunset, AgreesWithAlmanacAllowingForRefraction) {
  struct Row {
    const char* city;
    float lat, lon;
    int tz, year, month, day;
    double riseApparent, setApparent, riseGeometric, setGeometric;
  };
  const Row rows[] = {
      {"London", 51.5074f, -0.1278f, 0, 2024, 3, 20, 362.9, 1093.0, 368.2, 1087.7},
      {"London", 51.5074f, -0.1278f, 0, 2024, 6, 21, 223.1, 1221.5, 230.2, 1214.5},
      {"London", 51.5074f, -0.1278f, 0, 2024, 12, 21, 483.8, 953.3, 490.7, 946.4},
      {"New York", 40.7128f, -74.0060f, -5, 2024, 6, 21, 265.0, 1170.6, 270.2, 1165.5},
      {"New York", 40.7128f, -74.0060f, -5, 2005, 4, 5, 333.5, 1104.1, 338.0, 1099.7},
      {"Sydney", -33.8688f, 151.2093f, 10, 2024, 6, 21, 420.1, 1013.9, 424.6, 1009.3},
      {"Sydney", -33.8688f, 151.2093f, 10, 2024, 12, 21, 281.0, 1145.5, 285.6, 1140.9},
      {"Quito", -0.1807f, -78.4678f, -5, 2024, 3, 20, 378.0, 1104.6, 381.3, 1101.3},
      {"Tokyo", 35.6762f, 139.6503f, 9, 2024, 12, 21, 407.3, 991.6, 412.0, 986.9},
      {"Reykjavik", 64.1466f, -21.9426f, 0, 2024, 6, 21, 175.2, 1444.0, 195.7, 1423.5},
      {"Reykjavik", 64.1466f, -21.9426f, 0, 2024, 12, 21, 682.4, 929.3, 699.7, 912.0},
      {"Cape Town", -33.9249f, 18.4241f, 2, 2024, 6, 21, 471.4, 1064.9, 475.9, 1060.3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.city << " " << row.year << "-" << row.month << "-" << row.day);
    // Noon UTC falls on the same date in every zone of the table.
    const TimeValue noon = UtcFromCalendar(row.year, row.month, row.day, 12, 0, 0);
    SolarQuery q = PropertiesSolarQuery(noon, static_cast<float>(row.tz), row.lat, row.lon);
    ASSERT_EQ(ComputeSolarPosition(&q), 0);
    EXPECT_NEAR(q.sunrise, row.riseGeometric, 2.0);
    EXPECT_NEAR(q.sunset, row.setGeometric, 2.0);
    EXPECT_GT(q.sunrise - row.riseApparent, 2.5);
    EXPECT_LT(q.sunrise - row.riseApparent, 22.0);
    EXPECT_GT(row.setApparent - q.sunset, 2.5);
    EXPECT_LT(row.setApparent - q.sunset, 22.0);
  }
}

TEST(SunriseSunsetTexts, ZonesMoreThanTwelveHoursFromUtcStillGetTheirTimes) {
  // The solar routine refuses such offsets; the texts must still match the reference, which
  // takes any offset.
  struct Row {
    const char* place;
    float lat, lon, tz;
  };
  const Row rows[] = {
      {"Waitangi", -43.95f, -176.56f, 12.75f},
      {"Nuku'alofa", -21.14f, -175.20f, 13.0f},
      {"Kiritimati", 1.87f, -157.40f, 14.0f},
  };
  for (const Row& row : rows) {
    for (const TimeValue t :
         {UtcFromCalendar(2027, 1, 15, 12, 0, 0), UtcFromCalendar(2027, 7, 15, 3, 0, 0)}) {
      SCOPED_TRACE(::testing::Message() << row.place << " " << t);
      const Reference r = ReferenceSun(t, row.tz, row.lat, row.lon);
      const SunTimes texts = SunriseSunsetTexts(t, row.tz, row.lat, row.lon);
      const auto minutes = [](const std::string& text) {
        int h = 0, m = 0, s = 0;
        EXPECT_EQ(std::sscanf(text.c_str(), "%d:%d:%d", &h, &m, &s), 3) << text;
        return h * 60 + m + s / 60.0;
      };
      EXPECT_NEAR(minutes(texts.sunrise), Wrap(r.sunrise, 1440.0), 1.0) << texts.sunrise;
      EXPECT_NEAR(minutes(texts.sunset), Wrap(r.sunset, 1440.0), 1.0) << texts.sunset;
    }
  }
}

SolarQuery ValidQuery(int mask) {
  SolarQuery q{};
  q.functionMask = mask;
  q.year = 2005;
  q.dayOfYear = 95;
  q.month = 4;
  q.day = 5;
  q.hour = 9;
  q.minute = 5;
  q.second = 3;
  q.latitude = 48.0f;
  q.longitude = 11.0f;
  return q;
}

TEST(ComputeSolarPosition, ValidationBits) {
  struct Case {
    const char* what;
    void (*change)(SolarQuery*);
    int expected;
  };
  const Case cases[] = {
      {"valid", [](SolarQuery*) {}, 0},
      {"1 January", [](SolarQuery* q) { q->dayOfYear = 1; }, 0},
      {"day of year 0", [](SolarQuery* q) { q->dayOfYear = 0; }, kSolarBadDayOfYear},
      {"day 366 of a leap year",
       [](SolarQuery* q) {
         q->year = 2004;
         q->dayOfYear = 366;
       },
       0},
      {"day 366 of a common year", [](SolarQuery* q) { q->dayOfYear = 366; }, kSolarBadDayOfYear},
      {"day of year 367", [](SolarQuery* q) { q->dayOfYear = 367; }, kSolarBadDayOfYear},
      {"year 1949", [](SolarQuery* q) { q->year = 1949; }, kSolarBadYear},
      {"year 2050", [](SolarQuery* q) { q->year = 2050; }, 0},
      {"year 2051", [](SolarQuery* q) { q->year = 2051; }, kSolarBadYear},
      {"hour 24 sharp",
       [](SolarQuery* q) {
         q->hour = 24;
         q->minute = 0;
         q->second = 0;
       },
       0},
      {"hour 24 minute 1",
       [](SolarQuery* q) {
         q->hour = 24;
         q->minute = 1;
         q->second = 0;
       },
       kSolarBadHour | kSolarBadMinute},
      {"hour 24 second 1",
       [](SolarQuery* q) {
         q->hour = 24;
         q->minute = 0;
         q->second = 1;
       },
       kSolarBadHour | kSolarBadSecond},
      {"hour 25", [](SolarQuery* q) { q->hour = 25; }, kSolarBadHour},
      {"minute 60", [](SolarQuery* q) { q->minute = 60; }, kSolarBadMinute},
      {"second -1", [](SolarQuery* q) { q->second = -1; }, kSolarBadSecond},
      {"interval 28801", [](SolarQuery* q) { q->interval = 28801; }, kSolarBadInterval},
      {"zone +12", [](SolarQuery* q) { q->timezone = 12.0f; }, 0},
      {"zone +12.75", [](SolarQuery* q) { q->timezone = 12.75f; }, kSolarBadTimezone},
      {"zone +13", [](SolarQuery* q) { q->timezone = 13.0f; }, kSolarBadTimezone},
      {"zone NaN", [](SolarQuery* q) { q->timezone = NAN; }, kSolarBadTimezone},
      {"latitude 90.5", [](SolarQuery* q) { q->latitude = 90.5f; }, kSolarBadLatitude},
      {"longitude -181", [](SolarQuery* q) { q->longitude = -181.0f; }, kSolarBadLongitude},
      {"several at once",
       [](SolarQuery* q) {
         q->year = 3000;
         q->longitude = 200.0f;
       },
       kSolarBadYear | kSolarBadLongitude},
  };
  for (const Case& c : cases) {
    SolarQuery q = ValidQuery(kSolarMaskProperties);
    c.change(&q);
    EXPECT_EQ(ComputeSolarPosition(&q), c.expected) << c.what;
  }

  // Month and day are checked only when they are the date.
  SolarQuery byDate = ValidQuery(kSolarMaskProperties & ~kSolarDayOfYear);
  byDate.month = 13;
  byDate.day = 0;
  EXPECT_EQ(ComputeSolarPosition(&byDate), kSolarBadMonth | kSolarBadDay);
  SolarQuery byDay = ValidQuery(kSolarMaskProperties);
  byDay.month = 13;
  byDay.day = 0;
  EXPECT_EQ(ComputeSolarPosition(&byDay), 0);
  EXPECT_EQ(byDay.month, 4);  // derived from day 95 of 2005
  EXPECT_EQ(byDay.day, 5);
}

TEST(ComputeSolarPosition, RejectedInputLeavesResultsAlone) {
  SolarQuery q = ValidQuery(kSolarMaskProperties);
  q.year = 2051;
  ASSERT_NE(ComputeSolarPosition(&q), 0);
  EXPECT_EQ(q.elevation, 0.0f);
  EXPECT_EQ(q.sunrise, 0.0f);
  EXPECT_EQ(q.sunset, 0.0f);

  q.year = 2005;
  ASSERT_EQ(ComputeSolarPosition(&q), 0);
  const SolarQuery before = q;
  q.year = 1900;
  ASSERT_NE(ComputeSolarPosition(&q), 0);
  EXPECT_EQ(q.elevation, before.elevation);
  EXPECT_EQ(q.sunrise, before.sunrise);
  EXPECT_EQ(q.month, before.month);
}

TEST(ComputeSolarPosition, DateConversionBothWays) {
  // Day of year to month and day, across leap and century years.
  struct Row {
    int year, dayOfYear, month, day;
  };
  const Row rows[] = {{2005, 1, 1, 1},     {2005, 59, 2, 28}, {2005, 60, 3, 1},
                      {2004, 60, 2, 29},   {2004, 61, 3, 1},  {2000, 366, 12, 31},
                      {2005, 365, 12, 31}, {2024, 172, 6, 20}};
  for (const Row& r : rows) {
    SolarQuery q{};
    q.functionMask = kSolarDayOfYear;
    q.year = r.year;
    q.dayOfYear = r.dayOfYear;
    ASSERT_EQ(ComputeSolarPosition(&q), 0);
    EXPECT_EQ(q.month, r.month) << r.year << "/" << r.dayOfYear;
    EXPECT_EQ(q.day, r.day) << r.year << "/" << r.dayOfYear;

    // Given month and day instead, the geometry uses the same day of the year.
    SolarQuery m = ValidQuery(kSolarMaskShading & ~kSolarDayOfYear);
    m.year = r.year;
    m.month = r.month;
    m.day = r.day;
    m.dayOfYear = 0;
    ASSERT_EQ(ComputeSolarPosition(&m), 0);
    EXPECT_EQ(m.dayOfYear, r.dayOfYear);
  }
}

TEST(ComputeSolarPosition, MaskBitsBringWhatTheyNeed) {
  EXPECT_EQ(ExpandSolarMask(kSolarMaskShading), kSolarMaskShading);
  EXPECT_EQ(ExpandSolarMask(kSolarMaskProperties), kSolarMaskProperties);
  EXPECT_EQ(ExpandSolarMask(kSolarRiseSet) & (kSolarSunsetAngle | kSolarTrueTime | kSolarGeometry),
            kSolarSunsetAngle | kSolarTrueTime | kSolarGeometry);

  SolarQuery full = ValidQuery(kSolarMaskProperties);
  SolarQuery riseOnly = ValidQuery(kSolarRiseSet | kSolarDayOfYear);
  ASSERT_EQ(ComputeSolarPosition(&full), 0);
  ASSERT_EQ(ComputeSolarPosition(&riseOnly), 0);
  EXPECT_EQ(riseOnly.sunrise, full.sunrise);
  EXPECT_EQ(riseOnly.sunset, full.sunset);

  // Shading computes no sunrise; the Properties mask computes both.
  SolarQuery shade = ValidQuery(kSolarMaskShading);
  ASSERT_EQ(ComputeSolarPosition(&shade), 0);
  EXPECT_EQ(shade.elevation, full.elevation);
  EXPECT_EQ(shade.sunrise, 0.0f);
  EXPECT_EQ(shade.trueSolarTime, 0.0f);
  EXPECT_NE(full.sunrise, 0.0f);
}

TEST(ComputeSolarPosition, EquatorAndPoles) {
  // On the equator the day is 12 hours long whatever the declination.
  for (const TimeValue t :
       {UtcFromCalendar(2024, 3, 20, 3, 6, 0), UtcFromCalendar(2024, 6, 21, 12, 0, 0)}) {
    SolarQuery q = PropertiesSolarQuery(t, 0.0f, 0.0f, 30.0f);
    ASSERT_EQ(ComputeSolarPosition(&q), 0);
    EXPECT_NEAR(q.sunsetHourAngle, 90.0f, 1e-4);
    EXPECT_NEAR(q.sunrise, 360.0f - q.solarTimeFix, 1e-3);
    EXPECT_NEAR(q.sunset, 1080.0f - q.solarTimeFix, 1e-3);
  }

  struct Row {
    const char* what;
    int month;
    float lat;
    float sunrise, sunset;
  };
  const Row rows[] = {
      {"Arctic winter", 12, 80.0f, kSolarAllDay, -kSolarAllDay},
      {"Arctic summer", 6, 80.0f, -kSolarAllDay, kSolarAllDay},
      {"Antarctic winter", 6, -80.0f, kSolarAllDay, -kSolarAllDay},
      {"Antarctic summer", 12, -80.0f, -kSolarAllDay, kSolarAllDay},
      {"North Pole in winter", 12, 90.0f, kSolarAllDay, -kSolarAllDay},
      {"North Pole in summer", 6, 90.0f, -kSolarAllDay, kSolarAllDay},
      {"South Pole in winter", 6, -90.0f, kSolarAllDay, -kSolarAllDay},
      {"South Pole in summer", 12, -90.0f, -kSolarAllDay, kSolarAllDay},
  };
  for (const Row& r : rows) {
    SolarQuery q =
        PropertiesSolarQuery(UtcFromCalendar(2024, r.month, 21, 12, 0, 0), 0.0f, r.lat, 20.0f);
    ASSERT_EQ(ComputeSolarPosition(&q), 0) << r.what;
    EXPECT_EQ(q.sunrise, r.sunrise) << r.what;
    EXPECT_EQ(q.sunset, r.sunset) << r.what;
  }
}

TEST(ComputeSolarPosition, ZenithIsCappedBelowTheHorizon) {
  // Local midnight in the polar night: the Sun is far more than 9 degrees down.
  SolarQuery q = PropertiesSolarQuery(UtcFromCalendar(2024, 12, 21, 0, 0, 0), 0.0f, 60.0f, 0.0f);
  ASSERT_EQ(ComputeSolarPosition(&q), 0);
  EXPECT_EQ(q.zenith, 99.0f);
  EXPECT_EQ(q.elevation, -9.0f);
}

}  // namespace
}  // namespace meridiana
