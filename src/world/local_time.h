#pragma once
// The local time of a place. A city's clock comes from its zone's file on this computer (the
// IANA database: every offset, saving and hour of change as it really is); only a city whose
// zone has no file falls back to the program's tables, the standard offset under its point on
// the time-zone picture and the saving of its daylight-saving rule. A point that is no city has
// the picture's offset alone.

#include <optional>
#include <string>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "world/dst_rule.h"
#include "world/world_data.h"

namespace meridiana {

// A city's clock at one instant.
struct CityClock {
  int offsetSeconds = 0;    // the wall clock's offset from UTC
  int standardSeconds = 0;  // that of the zone's standard time
  int savingMinutes = 0;    // (offset - standard) / 60; negative where winter time is the saving
  bool fromZoneFile = false;
  TimeValue WallClock(TimeValue t) const { return t + offsetSeconds; }
};

// What a city's clock needs of the tables, looked up once for many instants.
struct CityZone {
  const Zone* zone = nullptr;
  const DstRule* rule = nullptr;
};
CityZone CityZoneOf(const WorldData& world, const City& city);

// The city's clock at t. (x, y) is the base-map point whose picture colour gives the standard
// offset where the zone has no file; `host` decides the tables' changes (the host's midnight).
CityClock CityClockAt(const WorldData& world, const CityZone& zone, const Dib* tzImage, int x,
                      int y, TimeValue t, const Clock& host);
CityClock CityClockAt(const WorldData& world, const City& city, const Dib* tzImage, int x, int y,
                      TimeValue t, const Clock& host);

// now + the city's offset; without a city, now + the picture's offset at (x, y) (truncated
// toward zero). The value's UTC breakdown is the place's wall clock.
TimeValue LocalTimeOf(const WorldData& world, const Dib* tzImage, int x, int y, const City* city,
                      const Clock& clock);

// The dates on which a city's clocks change between standard and saving time in a year of its
// own calendar: the local date its clock shows just before the first change that puts the
// clocks forward (starts) and the first that puts them back (ends).
struct SavingChangeDates {
  std::optional<CalendarDate> starts;
  std::optional<CalendarDate> ends;
};
SavingChangeDates SavingChangesOf(const WorldData& world, const CityZone& zone, int year,
                                  const Clock& host);

// A local time's wall clock as "HH:MM"; empty for a time the calendar cannot break down.
std::string ClockText(TimeValue local);

// LocalTimeOf as "HH:MM", the clock of a marked-city label; empty for a time the calendar cannot
// break down.
std::string LocalClockText(const WorldData& world, const Dib* tzImage, int x, int y,
                           const City* city, const Clock& clock);

}  // namespace meridiana
