#pragma once
// The computer's own time-zone files (compiled IANA zones under /usr/share/zoneinfo): the exact
// UTC offset of a zone at any instant, half-hour savings and the hour of each change included.
// The map's labels keep the program's own tables; the tools that must name the skipped or
// repeated hour of a change day (the meeting planner) read these.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

class ZoneFile {
 public:
  // Reads the bytes of a compiled zone file (version 1 to 4; the 64-bit part when there is
  // one). Nothing for anything that is not one, or one whose counts run past its end.
  static std::optional<ZoneFile> Parse(std::string_view bytes);

  // Seconds east of UTC in force at t. Before the first change the zone's first kind of time
  // holds; after the last listed change the file's closing rule does (files may list changes
  // only up to the last change of the rules, or up to 2037), else the last kind of time.
  int OffsetAt(TimeValue t) const;
  // The wall clock at t: t + OffsetAt(t), whose UTC breakdown is the zone's calendar.
  TimeValue WallClockAt(TimeValue t) const { return t + OffsetAt(t); }

 private:
  std::vector<std::int64_t> changes_;  // instants, ascending
  std::vector<std::uint8_t> kinds_;    // per change, an index into offsets_
  std::vector<int> offsets_;           // per kind, seconds east of UTC
  std::string rule_;                   // the closing rule ("GMT0BST,M3.5.0/1,M10.5.0"), or empty
};

// Seconds east of UTC at t by a POSIX time-zone rule such as "EST5EDT,M3.2.0,M11.1.0" or
// "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0": a standard time, and a saving time between two dates
// of each year. Nothing for a rule it cannot read.
std::optional<int> PosixRuleOffset(std::string_view rule, TimeValue t);

// The folder of the computer's zone files: $TZDIR when set, else /usr/share/zoneinfo.
std::string SystemZoneFolder();

// Reads the zone `name` ("Europe/London") from `folder`. Nothing for a name that could climb
// out of the folder or holds anything but letters, digits, "_", "-", "+" and "/", for a missing
// file and for one that is not a zone file.
std::optional<ZoneFile> LoadZoneFile(const std::string& folder, std::string_view name);

// Zone files read once each, on first use, from one folder.
class ZoneFileCache {
 public:
  explicit ZoneFileCache(std::string folder) : folder_(std::move(folder)) {}
  // The zone, or null when it has no readable file.
  const ZoneFile* Find(std::string_view name);

 private:
  std::string folder_;
  std::map<std::string, std::optional<ZoneFile>, std::less<>> files_;
};

}  // namespace meridiana
