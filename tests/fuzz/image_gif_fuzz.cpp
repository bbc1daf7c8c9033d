// libFuzzer harness for the GIF picture decoder. Seed it with tests/fixtures/images/*.
#include <cstddef>
#include <cstdint>

#include "map/image_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  meridiana::DibPtr dib = meridiana::DibDecodeGif(data, size);
  if (dib) {
    // Touch the far corners so that a wrong row table shows up under the sanitizers.
    const int32_t w = meridiana::DibWidth(dib.get());
    const int32_t h = meridiana::DibHeight(dib.get());
    volatile uint32_t sink =
        meridiana::DibGetPixel(dib.get(), 0, 0) ^ meridiana::DibGetPixel(dib.get(), w - 1, h - 1);
    (void)sink;
  }
  return 0;
}
