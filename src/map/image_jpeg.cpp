// JPEG pictures through libjpeg-turbo. Grey, RGB and YCbCr files come out as blue, green, red
// straight from the library; CMYK and YCCK files are turned into RGB here.

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jerror.h>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <new>
#include <vector>

#include "map/image_load.h"

namespace meridiana {
namespace {

// Bounds against hostile files: working memory of the library, and progressive scans (each one
// costs a pass over the whole image, so thousands of tiny scans would never end).
constexpr long kMaxLibraryMemory = 512L << 20;
constexpr int kMaxScans = 500;

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool truncated;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings are silent, but running out of data marks the file as cut off.
void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    reinterpret_cast<JpegErrors*>(cinfo->err)->truncated = true;
}

void OnJpegProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
    cinfo->err->error_exit(cinfo);
  }
}

struct JpegLayout {
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  bool cmyk = false;
  bool inverted = false;  // Adobe's CMYK files store the inks inverted
};

// The steps that may raise a library error each set their own jump point and hold nothing that
// needs destroying, so the long jump skips no destructor.
bool StartJpeg(j_decompress_ptr cinfo, JpegErrors* errors, int64_t maxPixels, JpegLayout* layout) {
  if (setjmp(errors->jump)) return false;
  jpeg_read_header(cinfo, TRUE);
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_calc_output_dimensions(cinfo);
  if (cinfo->output_width > static_cast<JDIMENSION>(kDibMaxSide) ||
      cinfo->output_height > static_cast<JDIMENSION>(kDibMaxSide) ||
      int64_t{cinfo->output_width} * cinfo->output_height > maxPixels)
    return false;
  // Starting reads every scan of a progressive file, so the size is judged before.
  jpeg_start_decompress(cinfo);
  layout->width = cinfo->output_width;
  layout->height = cinfo->output_height;
  layout->cmyk = cmyk;
  layout->inverted = cinfo->saw_Adobe_marker != 0;
  return true;
}

// Rows go straight into the image, or through one scratch row for CMYK.
bool ReadJpegRows(j_decompress_ptr cinfo, JpegErrors* errors, uint8_t* const* rows,
                  uint8_t* scratch, bool inverted) {
  if (setjmp(errors->jump)) return false;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* out = rows[cinfo->output_scanline];
    JSAMPROW target = scratch != nullptr ? scratch : out;
    if (jpeg_read_scanlines(cinfo, &target, 1) != 1 || errors->truncated) return false;
    if (scratch == nullptr) continue;
    for (JDIMENSION x = 0; x < cinfo->output_width; ++x, out += 3) {
      const uint8_t* ink = scratch + 4 * x;
      // The share of light left by each ink and the black ink, rounded to the nearest byte.
      const unsigned k = inverted ? ink[3] : 255u - ink[3];
      const unsigned c = inverted ? ink[0] : 255u - ink[0];
      const unsigned m = inverted ? ink[1] : 255u - ink[1];
      const unsigned y = inverted ? ink[2] : 255u - ink[2];
      out[0] = static_cast<uint8_t>((y * k + 127) / 255);
      out[1] = static_cast<uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
  }
  jpeg_finish_decompress(cinfo);
  return !errors->truncated;
}

class JpegReader {
 public:
  JpegReader() {
    cinfo_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = OnJpegError;
    errors_.manager.emit_message = OnJpegMessage;
    errors_.truncated = false;
    progress_.progress_monitor = OnJpegProgress;
  }
  ~JpegReader() {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  bool Create(const uint8_t* data, std::size_t size) {
    if (setjmp(errors_.jump)) return false;
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    cinfo_.progress = &progress_;
    cinfo_.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&cinfo_, data, static_cast<unsigned long>(size));
    return true;
  }
  j_decompress_ptr cinfo() { return &cinfo_; }
  JpegErrors* errors() { return &errors_; }

 private:
  jpeg_decompress_struct cinfo_{};
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  bool created_ = false;
};

}  // namespace

DibPtr DibDecodeJpeg(const uint8_t* data, std::size_t size, int64_t maxPixels) {
  if (data == nullptr || size < 2) return nullptr;
  JpegReader reader;
  if (!reader.Create(data, size)) return nullptr;
  JpegLayout layout;
  if (!StartJpeg(reader.cinfo(), reader.errors(), maxPixels, &layout)) return nullptr;
  DibPtr dib = DibCreateForDecoder(layout.width, layout.height, maxPixels);
  if (!dib) return nullptr;
  std::vector<uint8_t> scratch;
  if (layout.cmyk) {
    try {
      scratch.resize(std::size_t{4} * layout.width);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  if (!ReadJpegRows(reader.cinfo(), reader.errors(), dib->rows.data(),
                    layout.cmyk ? scratch.data() : nullptr, layout.inverted))
    return nullptr;
  return dib;
}

}  // namespace meridiana
