// libFuzzer harness for the config.ini reader: the input is the file, read against a small city
// list; what it marks and the frames it yields are written out and read once more.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "shell/app/settings_store.h"

namespace {

void ReadFromMemory(const void* data, std::size_t size, meridiana::WorldData& world,
                    std::vector<meridiana::SavedFrame>* frames) {
  if (size == 0) return;  // fmemopen refuses an empty buffer
  std::FILE* file = ::fmemopen(const_cast<void*>(data), size, "rb");
  if (!file) return;
  meridiana::ReadConfigIni(file, world, frames);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace meridiana;
  WorldData world;
  world.cities = ParseCities(
      "x\t0\t-89.9\tSpring\r\nx\t0\t-89.6\tSpringfield (Illinois)\r\n"
      "y\t51.5\t-0.1\tLondon (England)\r\n");
  std::vector<SavedFrame> frames;
  ReadFromMemory(data, size, world, &frames);
  const std::string again = ConfigIniText("1", world, frames);
  for (City& city : world.cities) city.marked = false;
  ReadFromMemory(again.data(), again.size(), world, &frames);
  return 0;
}
