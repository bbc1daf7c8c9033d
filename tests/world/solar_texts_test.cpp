#include "world/solar_texts.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

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

}  // namespace
}  // namespace meridiana
