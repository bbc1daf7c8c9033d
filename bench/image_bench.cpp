// Picture loading, scaling and writing at the sizes the map uses: a 4096 x 2048 JPEG (made here
// from a synthetic pattern, not committed), scaled to the 1024 x 512 base map, written as BMP.

#include <benchmark/benchmark.h>
#include <unistd.h>

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <string>
#include <vector>

#include "foundation/file_util.h"
#include "map/dib_ops.h"
#include "map/image_load.h"

namespace {

using meridiana::DibPtr;

std::string TempPath(const char* name) {
  return std::string("/tmp/meridiana-bench-") + std::to_string(getpid()) + "-" + name;
}

// A smooth pattern with some fine detail, so that the JPEG is neither trivial nor noise.
std::vector<uint8_t> EncodeJpeg(int width, int height) {
  std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 255 / width);
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / height);
      row[3 * x + 2] = static_cast<uint8_t>(((x ^ y) & 0x1F) * 4 + ((x * y) >> 12 & 0x7F));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

const std::string& BigJpegPath() {
  static const std::string path = [] {
    const std::string p = TempPath("big.jpg");
    const std::vector<uint8_t> bytes = EncodeJpeg(4096, 2048);
    meridiana::WriteWholeFile(p.c_str(), bytes.data(), bytes.size());
    return p;
  }();
  return path;
}

void BM_LoadJpeg4096x2048(benchmark::State& state) {
  const std::string& path = BigJpegPath();
  for (auto _ : state) {
    DibPtr dib = meridiana::DibLoad(path.c_str(), meridiana::kAnyPictureMaxPixels);
    if (!dib) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(dib.get());
  }
}
BENCHMARK(BM_LoadJpeg4096x2048)->Unit(benchmark::kMillisecond);

void BM_Scale4096x2048To1024x512(benchmark::State& state) {
  DibPtr source = meridiana::DibLoad(BigJpegPath().c_str(), meridiana::kAnyPictureMaxPixels);
  if (!source) state.SkipWithError("load failed");
  for (auto _ : state) {
    DibPtr target = meridiana::DibScale(source.get(), 1024, 512);
    benchmark::DoNotOptimize(target.get());
  }
}
BENCHMARK(BM_Scale4096x2048To1024x512)->Unit(benchmark::kMillisecond);

void BM_SaveBmp1024x512(benchmark::State& state) {
  DibPtr source = meridiana::DibLoad(BigJpegPath().c_str(), meridiana::kAnyPictureMaxPixels);
  DibPtr map = meridiana::DibScale(source.get(), 1024, -1);
  const std::string path = TempPath("map.bmp");
  for (auto _ : state) {
    if (!meridiana::DibSaveBmp(map.get(), path.c_str())) state.SkipWithError("save failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_SaveBmp1024x512)->Unit(benchmark::kMillisecond);

// The temporary JPEG goes when the program ends.
struct RemoveBigJpeg {
  ~RemoveBigJpeg() { std::remove(TempPath("big.jpg").c_str()); }
} remove_big_jpeg;

}  // namespace
