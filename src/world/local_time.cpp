#include "world/local_time.h"

#include <cstdio>

#include "world/utc_offset.h"

namespace meridiana {
namespace {

// Beyond this the calendar's year no longer fits its fields (the date formats give nothing).
constexpr TimeValue kMaxBreakdownSeconds = 100000000000000;

}  // namespace

TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock) {
  const int saving = city ? DaylightSavingMinutes(world, *city, clock) : 0;
  return LocalTimeWithSaving(tzImage, x, y, saving, clock);
}

TimeValue LocalTimeWithSaving(const Dib* tzImage, int x, int y, int savingMinutes,
                              const Clock& clock) {
  return clock.Now() + OffsetSeconds(UtcOffsetAt(tzImage, x, y)) +
         static_cast<TimeValue>(savingMinutes) * 60;
}

std::string ClockText(TimeValue local) {
  // The clock part of the fixed date layout, which writes 00:00 for "no time" and nothing for
  // a time beyond the calendar; built directly, as a label is written every second.
  if (local == kNoTime) return "00:00";
  if (local < -kMaxBreakdownSeconds || local > kMaxBreakdownSeconds) return {};
  const CalendarTime c = UtcBreakdown(local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", c.hour, c.minute);
  return text;
}

std::string LocalClockText(const WorldData& world, const Dib* tzImage, int x, int y,
                           const City* city, const Clock& clock) {
  return ClockText(LocalTimeOf(world, tzImage, x, y, city, clock));
}

}  // namespace meridiana
