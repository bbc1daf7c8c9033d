#include "world/local_time.h"

#include "world/locale_info.h"
#include "world/time_format.h"
#include "world/utc_offset.h"

namespace meridiana {

TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock) {
  const int saving = city ? DaylightSavingMinutes(world, *city, clock) : 0;
  return clock.Now() + OffsetSeconds(UtcOffsetAt(tzImage, x, y)) +
         static_cast<TimeValue>(saving) * 60;
}

std::string LocalClockText(const WorldData& world, const Dib* tzImage, int x, int y,
                           const City* city, const Clock& clock) {
  // The clock part of the fixed layout, whatever the locale's date separator.
  const TimeValue local = LocalTimeOf(world, tzImage, x, y, city, clock);
  const std::string full = FormatUtcDateTime(local, kMonthDayYear, FixedLocaleInfo("/"));
  const std::string_view clockPart = ClockPart(full);
  return std::string(clockPart.substr(0, clockPart.rfind(':')));
}

}  // namespace meridiana
