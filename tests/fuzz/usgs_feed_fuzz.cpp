// libFuzzer harness for the USGS GeoJSON reader of the service's ingest: any text is read or
// refused, and what is kept is in range, in order, and reads back whole through the program's own
// quake reply reader.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "online/quake_feed.h"
#include "service/quake_ingest.h"
#include "service/reply_documents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridiana::service;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto feed = ReadUsgsFeed(text, &error);
  if (!feed) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const auto week = SelectWeek(*feed);
  if (week.size() > feed->events.size() || feed->events.size() > feed->features) std::abort();
  for (std::size_t i = 0; i < week.size(); ++i) {
    const QuakeEntry& q = week[i];
    if (!std::isfinite(q.magnitude) || !(q.latitude >= -90 && q.latitude <= 90) ||
        !(q.longitude >= -180 && q.longitude <= 180) || q.timeMs > feed->generatedMs ||
        q.timeMs < feed->generatedMs - kWeekMs || (i > 0 && week[i - 1].timeMs < q.timeMs))
      std::abort();
  }
  if (meridiana::ReadQuakeRecords(QuakesDocument(week)).size() != week.size()) std::abort();
  return 0;
}
