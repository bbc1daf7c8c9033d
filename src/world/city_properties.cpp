#include "world/city_properties.h"

#include <cstdio>
#include <string_view>

#include "world/dst_rule.h"
#include "world/local_time.h"
#include "world/place_names.h"
#include "world/solar_texts.h"
#include "world/time_format.h"
#include "world/utc_offset.h"

namespace meridiana {
namespace {

std::string Fixed2(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
  return text;
}

std::string DayAndMonth(const std::optional<CalendarDate>& date, const LocaleInfo& locale) {
  static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (!date || date->month < 1 || date->month > 12) return {};
  const std::string shown = locale.DayAndMonth(date->month, date->day);
  if (!shown.empty()) return shown;
  return std::to_string(date->day) + " " + kMonths[date->month - 1];
}

}  // namespace

CityProperties CityPropertiesOf(const WorldData& world, const Dib* tzImage, int x, int y,
                                const City& city, const Clock& clock, const LocaleInfo& locale) {
  CityProperties p;
  const TimeValue now = clock.Now();
  const CityZone zone = CityZoneOf(world, city);
  const CityClock cityClock = CityClockAt(world, zone, tzImage, x, y, now, clock);
  p.utcOffsetHours = static_cast<float>(cityClock.standardSeconds) / 3600.0f;
  p.savingMinutes = cityClock.savingMinutes;

  // Shown in the world's language; the telephone table is keyed by the English names.
  p.name = std::string(WithoutTrailingBlanks(CityNameOf(world, city)));
  const std::string* country = CountryOfCity(world, city);
  if (country) p.country = CountryNameIn(world, *country);

  p.localTime = cityClock.WallClock(now);
  p.localTimeText = ReadableDateTime(p.localTime, locale);

  const SunTimes sun = SunriseSunsetTexts(now, p.utcOffsetHours, city.latitude, city.longitude);
  p.sunrise = sun.sunrise;
  p.sunset = sun.sunset;
  const SunTimes seen =
      ApparentSunTexts(now, p.utcOffsetHours, p.savingMinutes, city.latitude, city.longitude);
  p.clockSunrise = seen.sunrise;
  p.clockSunset = seen.sunset;
  const TwilightTimes twilight =
      TwilightTexts(now, p.utcOffsetHours, p.savingMinutes, city.latitude, city.longitude);
  p.civilDawn = twilight.civil.sunrise;
  p.civilDusk = twilight.civil.sunset;
  p.nauticalDawn = twilight.nautical.sunrise;
  p.nauticalDusk = twilight.nautical.sunset;
  p.astronomicalDawn = twilight.astronomical.sunrise;
  p.astronomicalDusk = twilight.astronomical.sunset;

  p.latitude = Fixed2(city.latitude);
  p.longitude = Fixed2(city.longitude);

  // A city without a zone has no country and so no codes.
  if (country) {
    p.areaCodes = AreaCodeText(world.areaCodes, *country, WithoutTrailingBlanks(city.name), true)
                      .value_or("");
    p.countryCode = AreaCodeText(world.areaCodes, *country, {}, false).value_or("");
  }

  // The changes of the city's own year, also when already past.
  const SavingChangeDates changes =
      SavingChangesOf(world, zone, UtcBreakdown(p.localTime).year, clock);
  p.dstStarts = DayAndMonth(changes.starts, locale);
  p.dstEnds = DayAndMonth(changes.ends, locale);
  return p;
}

}  // namespace meridiana
