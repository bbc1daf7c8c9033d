// libFuzzer harness for the PNG picture decoder. Seed it with tests/fixtures/images/*.
#include <cstddef>
#include <cstdint>

#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  return meridiana::CheckDecoded(
      meridiana::DibDecodePng(data, size, meridiana::kMapPictureMaxPixels));
}
