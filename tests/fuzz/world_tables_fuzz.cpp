// libFuzzer harness for the packed-file reader and the four table readers: the input is tried as
// a packed file and, as plain text, by each reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "world/area_code.h"
#include "world/city.h"
#include "world/dst_rule.h"
#include "world/packed_data_file.h"
#include "world/zone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)meridiana::UnpackData(text);
  const auto cities = meridiana::ParseCities(text);
  const auto zones = meridiana::ParseZones(text);
  const auto rules = meridiana::ParseDstRules(text);
  const auto codes = meridiana::ParseAreaCodes(text);
  volatile std::size_t sink = cities.size() + zones.size() + rules.size() + codes.size();
  (void)sink;
  return 0;
}
