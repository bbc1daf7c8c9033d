#include "world/local_time.h"

#include <cstdio>

#include "foundation/zone_file.h"
#include "world/utc_offset.h"

namespace meridiana {
namespace {

// Beyond this the calendar's year no longer fits its fields (the date formats give nothing).
constexpr TimeValue kMaxBreakdownSeconds = 100000000000000;

// The host's calendar with another "now": the tables' rules take the present from their clock.
class AtInstant : public Clock {
 public:
  AtInstant(const Clock& host, TimeValue t) : host_(host), t_(t) {}
  TimeValue Now() const override { return t_; }
  CalendarTime HostLocal(TimeValue t) const override { return host_.HostLocal(t); }
  std::optional<TimeValue> FromHostLocal(int year, int month, int day, int hour, int minute,
                                         int second) const override {
    return host_.FromHostLocal(year, month, day, hour, minute, second);
  }

 private:
  const Clock& host_;
  TimeValue t_;
};

std::optional<ZonePeriod> FilePeriod(const WorldData& world, const CityZone& zone, TimeValue t) {
  if (world.zoneFiles == nullptr || zone.zone == nullptr) return std::nullopt;
  return world.zoneFiles->PeriodAt(zone.zone->zoneName, t);
}

CalendarDate DateOf(TimeValue wall) {
  const CalendarTime c = UtcBreakdown(wall);
  return {c.year, c.month, c.day};
}

}  // namespace

CityZone CityZoneOf(const WorldData& world, const City& city) {
  return {ZoneOfCity(world, city), DstRuleOfCity(world, city)};
}

CityClock CityClockAt(const WorldData& world, const CityZone& zone, const Dib* tzImage, int x,
                      int y, TimeValue t, const Clock& host) {
  CityClock c;
  if (const auto period = FilePeriod(world, zone, t)) {
    c.offsetSeconds = period->offset;
    c.standardSeconds = period->standardOffset;
    c.savingMinutes = (period->offset - period->standardOffset) / 60;
    c.fromZoneFile = true;
    return c;
  }
  c.standardSeconds = static_cast<int>(OffsetSeconds(UtcOffsetAt(tzImage, x, y)));
  c.savingMinutes = zone.rule != nullptr ? SavingMinutesAt(*zone.rule, AtInstant(host, t)) : 0;
  c.offsetSeconds = c.standardSeconds + c.savingMinutes * 60;
  return c;
}

CityClock CityClockAt(const WorldData& world, const City& city, const Dib* tzImage, int x, int y,
                      TimeValue t, const Clock& host) {
  return CityClockAt(world, CityZoneOf(world, city), tzImage, x, y, t, host);
}

TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock) {
  const TimeValue now = clock.Now();
  if (city == nullptr) return now + OffsetSeconds(UtcOffsetAt(tzImage, x, y));
  return CityClockAt(world, *city, tzImage, x, y, now, clock).WallClock(now);
}

SavingChangeDates SavingChangesOf(const WorldData& world, const CityZone& zone, int year,
                                  const Clock& host) {
  SavingChangeDates dates;
  const ZoneFile* file = world.zoneFiles != nullptr && zone.zone != nullptr
                             ? world.zoneFiles->Find(zone.zone->zoneName)
                             : nullptr;
  if (file == nullptr) {
    // The tables' changes fall at the host's midnight of their dates in the UTC year.
    if (zone.rule == nullptr) return dates;
    const AtInstant inYear(host, UtcFromCalendar(year, 7, 1));
    const auto date = [&](const TransitionRule& change) -> std::optional<CalendarDate> {
      const auto instant = TransitionInstant(change, inYear);
      if (!instant) return std::nullopt;
      const CalendarTime c = host.HostLocal(*instant);
      return CalendarDate{c.year, c.month, c.day};
    };
    dates.starts = date(zone.rule->start);
    dates.ends = date(zone.rule->end);
    return dates;
  }
  // Walk the year's periods by the zone's own calendar (a day either side covers any offset).
  const TimeValue from = UtcFromCalendar(year, 1, 1) - 86400;
  const TimeValue to = UtcFromCalendar(year + 1, 1, 1) + 86400;
  ZonePeriod p = file->PeriodAt(from);
  for (int guard = 0; guard < 400 && p.end < to && !(dates.starts && dates.ends); ++guard) {
    const ZonePeriod next = file->PeriodAt(p.end);
    if (next.saving != p.saving) {
      const CalendarDate day = DateOf(p.end - 1 + p.offset);
      if (day.year == year) {
        // Forward is a start, back an end, whichever kind the zone calls its saving (Dublin's
        // winter time is the saving kind, with a negative saving).
        std::optional<CalendarDate>& slot = next.offset > p.offset ? dates.starts : dates.ends;
        if (!slot) slot = day;
      }
    }
    p = next;
  }
  return dates;
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
