// PNG pictures through libpng, read from memory in one call into one buffer.

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

#include "map/image_load.h"

namespace meridiana {
namespace {

// Ancillary chunks (text, profiles) are never needed; a file cannot make us hold more than this.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

struct PngSource {
  const uint8_t* data;
  std::size_t size;
  std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->position) png_error(png, "unexpected end of file");
  std::memcpy(out, source->data + source->position, count);
  source->position += count;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

struct PngLayout {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::size_t row_bytes = 0;
  int channels = 0;
};

// The two steps that may raise a library error each set their own jump point and hold nothing
// that needs destroying, so the long jump skips no destructor.
bool ReadPngInfo(png_structp png, png_infop info, PngLayout* layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int depth = 0;
  int color_type = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &color_type, nullptr, nullptr, nullptr);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  double file_gamma = 0;
  if (png_get_gAMA(png, info, &file_gamma)) png_set_gamma(png, 1.0, file_gamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  layout->width = width;
  layout->height = height;
  layout->row_bytes = png_get_rowbytes(png, info);
  layout->channels = png_get_channels(png, info);
  return true;
}

bool ReadPngRows(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  // Reading up to the end chunk is what tells a complete file from a cut-off one.
  png_read_end(png, info);
  return true;
}

class PngReader {
 public:
  PngReader() {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
  }
  ~PngReader() {
    if (png_ != nullptr)
      png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  bool ok() const { return png_ != nullptr && info_ != nullptr; }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

DibPtr DibDecodePng(const uint8_t* data, std::size_t size, int64_t maxPixels) {
  return DibDecodePngWithAlpha(data, size, maxPixels, nullptr);
}

DibPtr DibDecodePngWithAlpha(const uint8_t* data, std::size_t size, int64_t maxPixels,
                             std::vector<uint8_t>* alpha) {
  if (alpha) alpha->clear();
  if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
  PngReader reader;
  if (!reader.ok()) return nullptr;
  PngSource source{data, size, 8};
  png_set_read_fn(reader.png(), &source, ReadFromMemory);
  png_set_user_limits(reader.png(), kDibMaxSide, kDibMaxSide);
  png_set_chunk_malloc_max(reader.png(), kMaxChunkBytes);

  PngLayout layout;
  if (!ReadPngInfo(reader.png(), reader.info(), &layout)) return nullptr;
  if (layout.channels != 3 && layout.channels != 4) return nullptr;
  if (layout.row_bytes < std::size_t{layout.width} * layout.channels) return nullptr;
  if (layout.height == 0 || layout.row_bytes > kDibMaxPixelBytes / layout.height) return nullptr;
  DibPtr dib = DibCreateForDecoder(layout.width, layout.height, maxPixels);
  if (!dib) return nullptr;

  std::vector<png_byte> buffer;
  std::vector<png_bytep> rows;
  try {
    buffer.resize(layout.row_bytes * layout.height);
    rows.resize(layout.height);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (png_uint_32 y = 0; y < layout.height; ++y) rows[y] = buffer.data() + y * layout.row_bytes;
  if (!ReadPngRows(reader.png(), reader.info(), rows.data())) return nullptr;

  // Red, green, blue (and alpha, dropped without blending) become blue, green, red.
  const int channels = layout.channels;
  if (alpha && channels == 4) {
    try {
      alpha->resize(std::size_t{layout.width} * layout.height);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    uint8_t* plane = alpha->data();
    for (png_uint_32 y = 0; y < layout.height; ++y) {
      const png_byte* in = rows[y] + 3;
      for (png_uint_32 x = 0; x < layout.width; ++x, in += 4) *plane++ = *in;
    }
  }
  for (png_uint_32 y = 0; y < layout.height; ++y) {
    const png_byte* in = rows[y];
    uint8_t* out = dib->rows[y];
    for (png_uint_32 x = 0; x < layout.width; ++x, in += channels, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return dib;
}

}  // namespace meridiana
