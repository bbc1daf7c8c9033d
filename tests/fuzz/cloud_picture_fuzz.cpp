// libFuzzer harness for a downloaded cloud picture becoming a frame: any bytes give a grey
// 1024 x 512 frame or a refusal that says why in one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/cloud_ingest.h"
#include "service/cloud_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace meridiana::service;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string problem;
  const meridiana::DibPtr frame = PictureToFrame(bytes, kInfraredCurve, &problem);
  if (!frame) {
    if (problem.empty() || problem.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  if (meridiana::DibWidth(frame.get()) != kFrameWidth ||
      meridiana::DibHeight(frame.get()) != kFrameHeight)
    std::abort();
  for (int y = 0; y < kFrameHeight; y += 37) {
    const std::uint8_t* p = frame->rows[y];
    for (int x = 0; x < kFrameWidth; x += 41, p += 41 * 3)
      if (p[0] != p[1] || p[1] != p[2]) std::abort();
  }
  return 0;
}
