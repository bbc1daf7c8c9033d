#include "map/jpeg_writer.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstdlib>
#include <new>

namespace meridiana {
namespace {

struct JpegWriteErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void OnWriteError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegWriteErrors*>(cinfo->err)->jump, 1);
}

void OnWriteMessage(j_common_ptr, int) {}

// Memory that jpeg_mem_dest hands back; freed however the encoding ends.
struct MemoryDestination {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~MemoryDestination() { std::free(buffer); }
};

bool CreateCompressor(j_compress_ptr cinfo, JpegWriteErrors* errors) {
  if (setjmp(errors->jump)) return false;
  jpeg_create_compress(cinfo);
  return true;
}

// Holds no C++ object with a destructor between setjmp and the library's long jump.
bool CompressRows(j_compress_ptr cinfo, JpegWriteErrors* errors, const Dib* dib, int quality,
                  MemoryDestination* destination) {
  if (setjmp(errors->jump)) return false;
  jpeg_mem_dest(cinfo, &destination->buffer, &destination->size);
  cinfo->image_width = static_cast<JDIMENSION>(DibWidth(dib));
  cinfo->image_height = static_cast<JDIMENSION>(DibHeight(dib));
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;  // rows are blue, green, red in memory
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  cinfo->optimize_coding = TRUE;
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = dib->rows[cinfo->next_scanline];
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

bool EncodeJpeg(const Dib* dib, int quality, std::string* out) {
  if (!out || !DibIsValid(dib) || DibBitsPerPixel(dib) != 24) return false;
  if (quality < 1 || quality > 100) return false;
  jpeg_compress_struct cinfo{};
  JpegWriteErrors errors{};
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = OnWriteError;
  errors.manager.emit_message = OnWriteMessage;
  if (!CreateCompressor(&cinfo, &errors)) return false;
  MemoryDestination destination;
  const bool ok = CompressRows(&cinfo, &errors, dib, quality, &destination);
  jpeg_destroy_compress(&cinfo);
  if (!ok || destination.buffer == nullptr) return false;
  try {
    out->append(reinterpret_cast<const char*>(destination.buffer), destination.size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace meridiana
