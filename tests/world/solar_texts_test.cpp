#include "world/solar_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "support/almanac_sun.h"

namespace meridiana {
namespace {

using test::AlmanacElevation;

TEST(MinutesAsClockText, RoundsDownAndWrapsIntoOneDay) {
  struct Row {
    float minutes;
    const char* text;
  };
  const Row rows[] = {{0.0f, "00:00:00"},     {-30.0f, "23:30:00"},   {-30.5f, "23:29:30"},
                      {1440.0f, "00:00:00"},  {1500.25f, "01:00:15"}, {359.99f, "05:59:59"},
                      {-2999.0f, "22:01:00"}, {2999.0f, "01:59:00"},  {725.5f, "12:05:30"}};
  for (const Row& r : rows) EXPECT_EQ(MinutesAsClockText(r.minutes), r.text) << r.minutes;
}

TEST(SunriseSunsetTexts, ClockTimesInTheZonesStandardTime) {
  // London, 21 June 2024, standard time (GMT): the Sun's centre crosses the unrefracted horizon
  // at about 03:50 and 20:14 (daylight saving is not added).
  const TimeValue noon = UtcFromCalendar(2024, 6, 21, 12, 0, 0);
  const SunTimes london = SunriseSunsetTexts(noon, 0.0f, 51.5074f, -0.1278f);
  EXPECT_EQ(london.sunrise.substr(0, 4), "03:5");
  EXPECT_EQ(london.sunset.substr(0, 4), "20:1");

  // The same place seen with an offset of +1 gives the same day one hour later on the dial.
  const SunTimes shifted = SunriseSunsetTexts(noon, 1.0f, 51.5074f, -0.1278f);
  EXPECT_EQ(shifted.sunrise.substr(0, 4), "04:5");
}

TEST(SunriseSunsetTexts, PolarDaysReadAsWords) {
  const TimeValue winter = UtcFromCalendar(2024, 12, 21, 12, 0, 0);
  const TimeValue summer = UtcFromCalendar(2024, 6, 21, 12, 0, 0);
  const SunTimes night = SunriseSunsetTexts(winter, 1.0f, 78.22f, 15.65f);  // Longyearbyen
  EXPECT_EQ(night.sunrise, kSunDownAllDay);
  EXPECT_EQ(night.sunset, kSunDownAllDay);
  const SunTimes day = SunriseSunsetTexts(summer, 1.0f, 78.22f, 15.65f);
  EXPECT_EQ(day.sunrise, kSunUpAllDay);
  EXPECT_EQ(day.sunset, kSunUpAllDay);
  const SunTimes south = SunriseSunsetTexts(summer, 0.0f, -90.0f, 0.0f);
  EXPECT_EQ(south.sunrise, kSunDownAllDay);
}

TEST(SunriseSunsetTexts, RejectedInputShowsNothing) {
  const TimeValue noon = UtcFromCalendar(2024, 6, 21, 12, 0, 0);
  // An offset no zone has and years outside 1950..2050 fail validation: no time is shown, not a
  // midnight that looks like an answer. (Real zones past 12 hours, such as Tonga's +13, are
  // answered: see the solar tests.)
  for (const SunTimes& t :
       {SunriseSunsetTexts(noon, 37.0f, -21.1f, -175.2f),
        SunriseSunsetTexts(UtcFromCalendar(2051, 7, 15, 12, 0, 0), 0.0f, 51.5f, 0.0f),
        SunriseSunsetTexts(UtcFromCalendar(1949, 12, 31, 12, 0, 0), 0.0f, 51.5f, 0.0f)}) {
    EXPECT_EQ(t.sunrise, "");
    EXPECT_EQ(t.sunset, "");
  }
}

// Almanac figures (upper limb, standard refraction, local clock time) as published for these
// places and days; the routine is a low-precision one, so a minute either way is allowed.
TEST(ApparentSunTexts, AgreeWithAlmanacsInClockTime) {
  struct Row {
    const char* what;
    TimeValue at;
    float offset;
    int saving;
    float latitude;
    float longitude;
    int rise;  // minutes after midnight
    int set;
  };
  const Row rows[] = {
      {"Berlin, 9 December", UtcFromCalendar(2026, 12, 9, 12, 0, 0), 1.0f, 0, 52.5244f, 13.4105f,
       8 * 60 + 4, 15 * 60 + 52},
      {"Berlin, 21 June, summer time", UtcFromCalendar(2026, 6, 21, 12, 0, 0), 1.0f, 60, 52.5244f,
       13.4105f, 4 * 60 + 43, 21 * 60 + 33},
      {"Sydney, 21 December, daylight time", UtcFromCalendar(2026, 12, 21, 2, 0, 0), 10.0f, 60,
       -33.8679f, 151.2073f, 5 * 60 + 41, 20 * 60 + 5},
  };
  const auto minutes = [](const std::string& text) {
    return text.size() == 5 ? std::stoi(text.substr(0, 2)) * 60 + std::stoi(text.substr(3)) : -1;
  };
  for (const Row& r : rows) {
    const SunTimes seen = ApparentSunTexts(r.at, r.offset, r.saving, r.latitude, r.longitude);
    EXPECT_NEAR(minutes(seen.sunrise), r.rise, 1) << r.what << ": " << seen.sunrise;
    EXPECT_NEAR(minutes(seen.sunset), r.set, 1) << r.what << ": " << seen.sunset;
    // The upper limb with refraction rises before the centre does and sets after it.
    const SunTimes centre = SunriseSunsetTexts(r.at, r.offset, r.latitude, r.longitude);
    const int centreRise = minutes(centre.sunrise.substr(0, 5)) + r.saving;
    EXPECT_LT(minutes(seen.sunrise), centreRise) << r.what;
  }
}

TEST(ApparentSunTexts, PolarDaysZonesPastTwelveHoursAndRejectedInput) {
  const TimeValue winter = UtcFromCalendar(2026, 12, 21, 12, 0, 0);
  EXPECT_EQ(ApparentSunTexts(winter, 1.0f, 0, 78.22f, 15.65f).sunrise, kSunDownAllDay);
  EXPECT_EQ(ApparentSunTexts(winter, -3.0f, 0, -77.85f, 166.67f).sunset, kSunUpAllDay);
  // Just inside the Arctic Circle at the winter solstice the refracted rim still shows at
  // noon, though the centre stays down.
  EXPECT_EQ(SunriseSunsetTexts(winter, 2.0f, 66.8f, 25.7f).sunrise, kSunDownAllDay);
  EXPECT_EQ(ApparentSunTexts(winter, 2.0f, 0, 66.8f, 25.7f).sunrise.substr(0, 2), "11");
  // Tonga (+13, daylight time not kept) in southern summer: early morning and evening, not
  // nothing and not a day shifted by 24 hours.
  const SunTimes tonga = ApparentSunTexts(winter, 13.0f, 0, -21.1393f, -175.2049f);
  EXPECT_EQ(tonga.sunrise.substr(0, 2), "05");
  EXPECT_EQ(tonga.sunset.substr(0, 2), "19");
  EXPECT_EQ(ApparentSunTexts(UtcFromCalendar(2051, 1, 1, 0, 0, 0), 0.0f, 0, 0.0f, 0.0f).sunrise,
            "");
}

TEST(PropertiesSolarQuery, FillsTheUtcCalendar) {
  const SolarQuery q = PropertiesSolarQuery(UtcFromCalendar(2024, 1, 1, 23, 4, 5), -5.0f, 1, 2);
  EXPECT_EQ(q.functionMask, kSolarMaskProperties);
  EXPECT_EQ(q.year, 2024);
  EXPECT_EQ(q.dayOfYear, 1);  // counted from 1
  EXPECT_EQ(q.hour, 23);
  EXPECT_EQ(q.minute, 4);
  EXPECT_EQ(q.second, 5);
  EXPECT_EQ(q.interval, 0);
  EXPECT_EQ(q.timezone, -5.0f);
  EXPECT_EQ(q.latitude, 1.0f);
  EXPECT_EQ(q.longitude, 2.0f);
  EXPECT_EQ(PropertiesSolarQuery(UtcFromCalendar(2024, 12, 31, 0, 0, 0), 0, 0, 0).dayOfYear, 366);
}

// "HH:MM" of the first crossing of `depth` in the clock day starting at `midnight` (UTC), rising
// (morning) or setting (evening), found minute by minute; empty when there is none.
std::string Crossing(TimeValue midnight, double latitude, double longitude, double depth,
                     bool rising) {
  for (int minute = 0; minute < 1440; ++minute) {
    const double a = AlmanacElevation(midnight + minute * 60, latitude, longitude) - depth;
    const double b = AlmanacElevation(midnight + minute * 60 + 60, latitude, longitude) - depth;
    if (rising ? (a < 0 && b >= 0) : (a >= 0 && b < 0)) {
      char text[8];
      std::snprintf(text, sizeof text, "%02d:%02d", minute / 60, minute % 60);
      return text;
    }
  }
  return {};
}

int Minutes(const std::string& hhmm) {
  return std::stoi(hhmm.substr(0, 2)) * 60 + std::stoi(hhmm.substr(3));
}

// Dawn and dusk at 6, 12 and 18 degrees agree with an independent solar computation within two
// minutes in clock time, and a day that does not reach a depth says so in words.
TEST(TwilightTexts, DawnAndDuskAgreeWithAnIndependentSunOrReadAsWords) {
  const struct {
    const char* place;
    TimeValue at;  // noon UTC of the day
    float offset;
    int saving;
    float latitude, longitude;
  } rows[] = {
      {"Berlin, 9 December", UtcFromCalendar(2026, 12, 9, 11, 0, 0), 1.0f, 0, 52.52f, 13.40f},
      {"Quito, equinox", UtcFromCalendar(2027, 3, 20, 17, 0, 0), -5.0f, 0, -0.22f, -78.51f},
      {"Sydney, summer time", UtcFromCalendar(2026, 12, 21, 2, 0, 0), 10.0f, 60, -33.87f, 151.21f},
      {"Longyearbyen, polar night", UtcFromCalendar(2026, 12, 9, 11, 0, 0), 1.0f, 0, 78.22f,
       15.65f},
      {"Oulu, midsummer", UtcFromCalendar(2027, 6, 21, 10, 0, 0), 2.0f, 60, 65.01f, 25.47f},
  };
  const double depths[] = {-6.0, -12.0, -18.0};
  for (const auto& r : rows) {
    const TwilightTimes t = TwilightTexts(r.at, r.offset, r.saving, r.latitude, r.longitude);
    const SunTimes* bands[] = {&t.civil, &t.nautical, &t.astronomical};
    const TimeValue clockOffset = static_cast<TimeValue>(r.offset * 3600) + r.saving * 60;
    const TimeValue midnight = (r.at + clockOffset) / 86400 * 86400 - clockOffset;
    for (int i = 0; i < 3; ++i) {
      const std::string dawn = Crossing(midnight, r.latitude, r.longitude, depths[i], true);
      const std::string dusk = Crossing(midnight, r.latitude, r.longitude, depths[i], false);
      const double noon = AlmanacElevation(r.at, r.latitude, r.longitude);
      if (dawn.empty() && dusk.empty()) {
        // Above or below that depth all day, and the words say which.
        const std::string words = noon > depths[i] ? "above" : "below";
        EXPECT_NE(bands[i]->sunrise.find(words), std::string::npos) << r.place << " " << i;
        EXPECT_EQ(bands[i]->sunrise, bands[i]->sunset) << r.place;
        continue;
      }
      ASSERT_EQ(bands[i]->sunrise.size(), 5u) << r.place << " " << i << ": " << bands[i]->sunrise;
      EXPECT_NEAR(Minutes(bands[i]->sunrise), Minutes(dawn), 2) << r.place << " dawn " << i;
      EXPECT_NEAR(Minutes(bands[i]->sunset), Minutes(dusk), 2) << r.place << " dusk " << i;
    }
  }
}

}  // namespace
}  // namespace meridiana
