#include "world/local_time.h"

#include "world/time_format.h"
#include "world/utc_offset.h"

namespace meridiana {

TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock) {
  const int saving = city ? DaylightSavingMinutes(world, *city, clock) : 0;
  return clock.Now() + OffsetSeconds(UtcOffsetAt(tzImage, x, y)) +
         static_cast<TimeValue>(saving) * 60;
}

std::string LocalTimeText(const WorldData& world, const Dib* tzImage, int x, int y,
                          const City* city, const Clock& clock, const LocaleInfo& locale) {
  return FormatUtcDateTime(LocalTimeOf(world, tzImage, x, y, city, clock), kMonthDayYear, locale);
}

}  // namespace meridiana
