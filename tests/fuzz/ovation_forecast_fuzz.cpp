// libFuzzer harness for the aurora forecast's JSON reader: any text is read or refused, and what
// is read goes through the service's list and back through the program's reply reader whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "online/aurora_feed.h"
#include "service/aurora_ingest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridiana;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto grid = ReadOvationForecast(text, &error);
  if (!grid) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  for (const std::uint8_t percent : grid->percent)
    if (percent > 100) std::abort();
  const auto back =
      ReadAuroraReply(service::AuroraDocument(*grid, service::AuroraLiveProvenance(*grid)));
  if (!back || back->percent != grid->percent || back->forecast != grid->forecast) std::abort();
  return 0;
}
