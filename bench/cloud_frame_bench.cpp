// A downloaded 2048 x 1024 cloud picture (PNG as map servers send it, JPEG as fixed-address cloud
// maps are) turned into a 1024 x 512 frame: decode, infrared curve, scale; then the frame's JPEG
// as the ingest writes it. Target: under 200 ms for the picture to the frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "map/jpeg_writer.h"
#include "map/png_writer.h"
#include "service/cloud_ingest.h"
#include "service/cloud_picture.h"

namespace {

using meridiana::DibPtr;

// Banded "weather" with fine detail, so neither codec gets a trivial picture.
DibPtr CloudyPicture() {
  DibPtr dib = meridiana::DibCreate(2048, 1024, 24, 256);
  for (int y = 0; y < 1024; ++y) {
    uint8_t* p = dib->rows[y];
    for (int x = 0; x < 2048; ++x, p += 3) {
      const double v =
          128 + 70 * std::sin(x / 37.0 + std::sin(y / 23.0) * 3) * std::cos(y / 41.0 - x / 300.0);
      const int level = static_cast<int>(v) + ((x * 7 + y * 13) ^ (x * y)) % 17;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(std::clamp(level, 0, 255));
    }
  }
  return dib;
}

const std::string& Png() {
  static const std::string bytes = [] {
    std::string out;
    meridiana::EncodePng(CloudyPicture().get(), &out, {6, true, false});
    return out;
  }();
  return bytes;
}

const std::string& Jpeg() {
  static const std::string bytes = [] {
    std::string out;
    meridiana::EncodeJpeg(CloudyPicture().get(), 85, &out);
    return out;
  }();
  return bytes;
}

void BM_PictureToFrame(benchmark::State& state, const std::string& (*bytes)()) {
  const std::string& picture = bytes();
  std::string problem;
  for (auto _ : state) {
    DibPtr frame =
        meridiana::service::PictureToFrame(picture, meridiana::service::kInfraredCurve, &problem);
    if (!frame) state.SkipWithError(problem.c_str());
    benchmark::DoNotOptimize(frame);
  }
  state.counters["picture_kB"] = static_cast<double>(picture.size()) / 1024;
}
BENCHMARK_CAPTURE(BM_PictureToFrame, png_2048x1024, &Png)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PictureToFrame, jpeg_2048x1024, &Jpeg)->Unit(benchmark::kMillisecond);

void BM_FrameJpeg(benchmark::State& state) {
  std::string problem;
  const DibPtr frame =
      meridiana::service::PictureToFrame(Jpeg(), meridiana::service::kInfraredCurve, &problem);
  for (auto _ : state) {
    std::string jpeg;
    meridiana::EncodeJpeg(frame.get(), meridiana::service::kDefaultFrameQuality, &jpeg);
    benchmark::DoNotOptimize(jpeg);
  }
}
BENCHMARK(BM_FrameJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
