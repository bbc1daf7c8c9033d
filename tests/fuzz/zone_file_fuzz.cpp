// libFuzzer harness for the zone-file reader and the typed texts of the time tools: the input is
// read as a compiled zone file, whose offsets are then asked for across its whole range, and as
// the text of the time bar's field and the planner's hours.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/clock.h"
#include "world/meeting_plan.h"
#include "foundation/zone_file.h"
#include "world/shown_instant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace meridiana;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto zone = ZoneFile::Parse(bytes)) {
    for (TimeValue t : {INT64_MIN, TimeValue{-1}, TimeValue{0}, TimeValue{1800000000}, INT64_MAX}) {
      (void)zone->OffsetAt(t);
      (void)zone->FromWallClock(t);
    }
  }
  const FixedClock clock(0);
  (void)ParseHostDateTime(bytes, clock);
  (void)ParseWorkingHours(bytes);
  return 0;
}
