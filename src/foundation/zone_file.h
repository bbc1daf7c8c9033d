#pragma once
// The computer's own time-zone files (compiled IANA zones under /usr/share/zoneinfo): the exact
// UTC offset of a zone at any instant, the saving in force and the instants of its changes.
// Every local time the program shows comes from these where a zone has a file.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

// One stretch of a zone's time between two changes.
struct ZonePeriod {
  TimeValue begin = INT64_MIN;  // the change that started it; INT64_MIN before the first
  TimeValue end = INT64_MAX;    // the next change; INT64_MAX after the last
  int offset = 0;               // seconds east of UTC
  int standardOffset = 0;       // the zone's standard time then; offset - standardOffset is
                                // the saving (negative where winter time is the saving kind)
  bool saving = false;          // the file marks this time as daylight time
  bool Contains(TimeValue t) const { return t >= begin && t < end; }
};

// A POSIX time-zone rule such as "EST5EDT,M3.2.0,M11.1.0" or "<+1030>-10:30<+11>-11,M10.1.0,
// M4.1.0": a standard time, and a saving time between two dates of each year.
class PosixRule {
 public:
  static std::optional<PosixRule> Parse(std::string_view rule);
  ZonePeriod PeriodAt(TimeValue t) const;
  int OffsetAt(TimeValue t) const { return PeriodAt(t).offset; }

  struct Date {
    char kind = 'M';  // 'M' month.week.weekday, 'J' day 1..365 without 29 February, 'n' 0..365
    int month = 0, week = 0, weekday = 0, day = 0;
    int time = 2 * 3600;  // wall-clock seconds after midnight, may be negative or past 24 h
    TimeValue In(int year) const;
  };

 private:
  int standard_ = 0;
  int saving_ = 0;
  bool hasSaving_ = false;
  Date start_, end_;
};

// Seconds east of UTC at t by a POSIX rule; nothing for a rule it cannot read.
std::optional<int> PosixRuleOffset(std::string_view rule, TimeValue t);

class ZoneFile {
 public:
  // Reads the bytes of a compiled zone file (version 1 to 4; the 64-bit part when there is
  // one). Nothing for anything that is not one, or one whose counts run past its end.
  static std::optional<ZoneFile> Parse(std::string_view bytes);
  // A zone that is only a rule (TZ="EST5EDT" where no file of that name exists).
  static ZoneFile FromRule(const PosixRule& rule);

  // The period in force at t. Before the first change the zone's first kind of time holds;
  // after the last listed change the file's closing rule does (files may list changes only up
  // to the last change of the rules, or up to 2037), else the last kind of time.
  ZonePeriod PeriodAt(TimeValue t) const;
  int OffsetAt(TimeValue t) const { return PeriodAt(t).offset; }
  // The wall clock at t: t + OffsetAt(t), whose UTC breakdown is the zone's calendar.
  TimeValue WallClockAt(TimeValue t) const { return t + OffsetAt(t); }

  // The instant at which the zone's clock first shows `wall` (a local time value: its UTC
  // breakdown is the wall clock). A time shown twice at a change is its first occurrence;
  // nothing for a time the clocks skip.
  std::optional<TimeValue> FromWallClock(TimeValue wall) const;

 private:
  struct Kind {
    int offset = 0;
    bool saving = false;
  };
  ZonePeriod ListedPeriod(std::size_t index) const;  // the period that change `index` starts

  std::vector<std::int64_t> changes_;  // instants, ascending
  std::vector<std::uint8_t> kinds_;    // per change, an index into types_
  std::vector<Kind> types_;
  std::vector<int> standards_;         // per change, the standard offset then
  std::optional<PosixRule> rule_;      // the closing rule, when the file has one
};

// The folder of the computer's zone files: $TZDIR when set, else /usr/share/zoneinfo.
std::string SystemZoneFolder();

// Reads the zone `name` ("Europe/London") from `folder`. Nothing for a name that could climb
// out of the folder or holds anything but letters, digits, "_", "-", "+" and "/", for a missing
// file and for one that is not a zone file.
std::optional<ZoneFile> LoadZoneFile(const std::string& folder, std::string_view name);

// The zone the host's clock follows, as the C library chooses it: TZ unset, /etc/localtime;
// TZ empty, UTC; TZ (with or without a leading ":") an absolute path or a name under the zone
// folder; else TZ as a POSIX rule; else UTC.
ZoneFile LoadHostZone();

// Zone files read once each, on first use, from one folder, with the period last asked of each
// zone kept until its next change, so that a clock asked every second reads no file and
// searches no list. Safe to share between threads.
class ZoneFileCache {
 public:
  explicit ZoneFileCache(std::string folder) : folder_(std::move(folder)) {}
  // The zone, or null when it has no readable file.
  const ZoneFile* Find(std::string_view name);
  // The zone's period at t; nothing when it has no readable file.
  std::optional<ZonePeriod> PeriodAt(std::string_view name, TimeValue t);
  const std::string& folder() const { return folder_; }

 private:
  struct Entry {
    std::optional<ZoneFile> file;
    std::optional<ZonePeriod> last;
  };
  Entry& EntryOf(std::string_view name);

  std::string folder_;
  std::mutex mutex_;
  std::map<std::string, Entry, std::less<>> files_;
};

}  // namespace meridiana
