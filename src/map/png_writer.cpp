#include "map/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

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

// ---- the adaptive filter: libpng ----

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
  png_set_filter(png, PNG_FILTER_TYPE_BASE,
                 options.adaptiveFilter ? PNG_ALL_FILTERS
                 : options.subFilter    ? PNG_FILTER_SUB
                                        : PNG_FILTER_NONE);
  png_write_info(png, info);
  png_set_bgr(png);  // rows are blue, green, red in memory
  png_write_image(png, const_cast<png_bytepp>(dib->rows.data()));
  png_write_end(png, nullptr);
  return true;
}

// ---- one filter for every row: bands deflated side by side ----

// A band's rows, filtered, deflated as raw deflate data that ends on a byte boundary (or, for
// the last band, with the final block), and their Adler-32.
struct Band {
  int firstRow = 0;
  int rows = 0;
  bool last = false;
  std::string deflated;
  uLong adler = 1;
  bool ok = false;
};

// The filter byte and the row in PNG's red, green, blue order, each byte less the one three to
// its left when `sub`.
void FilterRow(const uint8_t* bgr, int width, bool sub, uint8_t* out) {
  *out++ = sub ? 1 : 0;
  if (!sub) {
    for (int x = 0; x < width; ++x, bgr += 3, out += 3) {
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
    }
    return;
  }
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  for (int x = 0; x < width; ++x, bgr += 3, out += 3) {
    out[0] = static_cast<uint8_t>(bgr[2] - r);
    out[1] = static_cast<uint8_t>(bgr[1] - g);
    out[2] = static_cast<uint8_t>(bgr[0] - b);
    r = bgr[2];
    g = bgr[1];
    b = bgr[0];
  }
}

void DeflateBand(const Dib* dib, const PngOptions& options, Band* band) {
  const int width = DibWidth(dib);
  const std::size_t rowBytes = std::size_t{3} * static_cast<std::size_t>(width) + 1;
  z_stream z{};
  if (deflateInit2(&z, options.compressionLevel, Z_DEFLATED, -15, 8,
                   options.runLength ? Z_RLE : Z_DEFAULT_STRATEGY) != Z_OK)
    return;
  try {
    // Room for the whole band in the worst case and for the empty block of the byte boundary,
    // left uninitialised: only the part deflate writes is ever touched.
    const std::size_t room =
        deflateBound(&z, static_cast<uLong>(rowBytes * static_cast<std::size_t>(band->rows))) + 16;
    const std::unique_ptr<Bytef[]> deflated(new Bytef[room]);
    // One filtered row at a time, in a buffer that stays in the cache; deflate keeps its own
    // window of what came before.
    std::vector<uint8_t> filtered(rowBytes);
    z.next_out = deflated.get();
    z.avail_out = static_cast<uInt>(room);
    int status = Z_OK;
    for (int i = 0; i < band->rows && status == Z_OK; ++i) {
      FilterRow(dib->rows[static_cast<std::size_t>(band->firstRow + i)], width,
                options.subFilter, filtered.data());
      band->adler = adler32_z(band->adler, filtered.data(), rowBytes);
      z.next_in = filtered.data();
      z.avail_in = static_cast<uInt>(rowBytes);
      const int flush = i + 1 < band->rows ? Z_NO_FLUSH : band->last ? Z_FINISH : Z_SYNC_FLUSH;
      status = deflate(&z, flush);
      if (status == Z_OK && z.avail_in != 0) status = Z_BUF_ERROR;  // cannot be, with the room
    }
    band->ok = band->last ? status == Z_STREAM_END : status == Z_OK;
    band->deflated.assign(reinterpret_cast<const char*>(deflated.get()), z.total_out);
  } catch (const std::exception&) {
    band->ok = false;
  }
  deflateEnd(&z);
}

void Put32(std::string& out, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
  out.append(bytes, 4);
}

// One chunk: length, type, data (in pieces), CRC of type and data.
void PutChunk(std::string& out, const char* type, std::initializer_list<std::string_view> data) {
  std::size_t length = 0;
  for (const std::string_view piece : data) length += piece.size();
  Put32(out, static_cast<uint32_t>(length));
  out.append(type, 4);
  uLong crc = crc32_z(0, reinterpret_cast<const Bytef*>(type), 4);
  for (const std::string_view piece : data) {
    if (piece.empty()) continue;  // zlib takes a null buffer for a request of the start value
    out.append(piece);
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(piece.data()), piece.size());
  }
  Put32(out, static_cast<uint32_t>(crc));
}

// The zlib header zlib itself writes for these settings (the level only informs a reader).
std::string ZlibHeader(const PngOptions& options) {
  const int level = options.compressionLevel;
  const unsigned flevel = options.runLength || level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  const unsigned cmf = 0x78;  // deflate, 32 KiB window
  unsigned flg = flevel << 6;
  flg += 31 - (cmf * 256 + flg) % 31;
  return {static_cast<char>(cmf), static_cast<char>(flg)};
}

bool EncodeBands(const Dib* dib, std::string* out, const PngOptions& options) {
  const int height = DibHeight(dib);
  const int count = std::min(kPngBands, height);
  std::vector<Band> bands(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Band& band = bands[static_cast<std::size_t>(i)];
    band.firstRow = static_cast<int>(static_cast<int64_t>(height) * i / count);
    band.rows = static_cast<int>(static_cast<int64_t>(height) * (i + 1) / count) - band.firstRow;
    band.last = i + 1 == count;
  }
  // Small pictures are not worth a thread; the others take every core up to one per band.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const bool small = DibPixelBytes(dib) < (std::size_t{256} << 10);
  const std::size_t workers = small ? 1 : std::min<std::size_t>(cores, bands.size());
  const auto work = [&](std::size_t first) {
    for (std::size_t i = first; i < bands.size(); i += workers) DeflateBand(dib, options, &bands[i]);
  };
  std::vector<std::thread> threads;
  for (std::size_t w = 1; w < workers; ++w) {
    try {
      threads.emplace_back(work, w);
    } catch (const std::system_error&) {
      break;  // no thread to be had: this one does the rest below
    }
  }
  work(0);
  for (std::thread& thread : threads) thread.join();
  for (std::size_t w = threads.size() + 1; w < workers; ++w) work(w);

  uLong adler = 1;
  for (const Band& band : bands) {
    if (!band.ok) return false;
    const std::size_t bytes = (std::size_t{3} * static_cast<std::size_t>(DibWidth(dib)) + 1) *
                              static_cast<std::size_t>(band.rows);
    adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(bytes));
  }
  try {
    std::string& png = *out;
    png.append("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Put32(header, static_cast<uint32_t>(DibWidth(dib)));
    Put32(header, static_cast<uint32_t>(height));
    header += std::string_view("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, deflate, no interlace
    PutChunk(png, "IHDR", {header});
    std::string trailer;
    Put32(trailer, static_cast<uint32_t>(adler));
    const std::string zlibHeader = ZlibHeader(options);
    for (std::size_t i = 0; i < bands.size(); ++i) {
      PutChunk(png, "IDAT", {i == 0 ? std::string_view(zlibHeader) : std::string_view(),
                             bands[i].deflated,
                             i + 1 == bands.size() ? std::string_view(trailer) : std::string_view()});
    }
    PutChunk(png, "IEND", {});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

bool EncodePng(const Dib* dib, std::string* out, const PngOptions& options) {
  if (!out || !DibIsValid(dib) || DibBitsPerPixel(dib) != 24) return false;
  if (options.compressionLevel < 0 || options.compressionLevel > 9) return false;
  if (!options.adaptiveFilter) {
    const std::size_t before = out->size();
    if (EncodeBands(dib, out, options)) return true;
    out->resize(before);
    return false;
  }
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

bool SavePng(const Dib* dib, const char* path, const PngOptions& options, FileSync sync) {
  std::string bytes;
  if (!EncodePng(dib, &bytes, options)) return false;
  return WriteWholeFile(path, bytes.data(), bytes.size(), sync);
}

}  // namespace meridiana
