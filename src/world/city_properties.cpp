#include "world/city_properties.h"

#include <cstdio>
#include <string_view>

#include "world/dst_rule.h"
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

std::string DayAndMonth(const TransitionRule& change, const Clock& clock,
                        const LocaleInfo& locale) {
  const auto instant = TransitionInstant(change, clock);
  if (!instant) return {};
  const CalendarTime t = clock.HostLocal(*instant);
  const std::string shown = locale.DayAndMonth(t.month, t.day);
  if (!shown.empty()) return shown;
  return FormatTimeTemplate(clock, *instant, "DD MON").value_or("");
}

}  // namespace

CityProperties CityPropertiesOf(const WorldData& world, const Dib* tzImage, int x, int y,
                                const City& city, const Clock& clock, const LocaleInfo& locale) {
  CityProperties p;
  const TimeValue now = clock.Now();
  p.utcOffsetHours = UtcOffsetAt(tzImage, x, y);
  p.savingMinutes = DaylightSavingMinutes(world, city, clock);

  p.name = std::string(WithoutTrailingBlanks(city.name));
  const std::string* country = CountryOfCity(world, city);
  if (country) p.country = *country;

  p.localTime =
      now + OffsetSeconds(p.utcOffsetHours) + static_cast<TimeValue>(p.savingMinutes) * 60;
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

  if (const DstRule* rule = DstRuleOfCity(world, city)) {
    p.dstStarts = DayAndMonth(rule->start, clock, locale);
    p.dstEnds = DayAndMonth(rule->end, clock, locale);
  }
  return p;
}

}  // namespace meridiana
