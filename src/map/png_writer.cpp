#include "map/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <new>

#include "foundation/file_util.h"

namespace meridiana {

namespace {

void WriteToString(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    out->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void OnWarning(png_structp, png_const_charp) {}

// Everything between setjmp and the longjmp of an error lives in this frame, which holds no
// C++ objects with destructors.
bool WriteRows(png_structp png, png_infop info, const Dib* dib, std::string* out,
               const PngOptions& options) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, WriteToString, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(DibWidth(dib)),
               static_cast<png_uint_32>(DibHeight(dib)), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, options.compressionLevel);
  if (options.runLength) png_set_compression_strategy(png, Z_RLE);
  // Fewer, larger IDAT chunks: one deflate output buffer per 256 KiB instead of per 8 KiB.
  png_set_compression_buffer_size(png, 256 * 1024);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, options.subFilter ? PNG_FILTER_SUB : PNG_FILTER_NONE);
  png_write_info(png, info);
  png_set_bgr(png);  // rows are blue, green, red in memory
  png_write_image(png, const_cast<png_bytepp>(dib->rows.data()));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool EncodePng(const Dib* dib, std::string* out, const PngOptions& options) {
  if (!out || !DibIsValid(dib) || DibBitsPerPixel(dib) != 24) return false;
  if (options.compressionLevel < 0 || options.compressionLevel > 9) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  const std::size_t before = out->size();
  const bool ok = WriteRows(png, info, dib, out, options);
  png_destroy_write_struct(&png, &info);
  if (!ok) out->resize(before);
  return ok;
}

bool SavePng(const Dib* dib, const char* path, const PngOptions& options) {
  std::string bytes;
  if (!EncodePng(dib, &bytes, options)) return false;
  return WriteWholeFile(path, bytes.data(), bytes.size());
}

}  // namespace meridiana
