#pragma once
// Writing images as PNG files. The settings favour speed: the map is written on every render,
// and a fast zlib level with a cheap row filter costs a few percent of size at most.
//
// With one filter for every row the file is written here with zlib: the rows are cut into a
// fixed number of bands, filtered and deflated side by side on the machine's cores, and the bands
// joined into the one zlib stream a PNG holds (each band but the last ends on a byte boundary,
// the checksum is combined). The bands do not depend on the machine, so neither do the bytes.
// The adaptive filter is libpng's.

#include <string>

#include "foundation/dib.h"
#include "foundation/file_util.h"

namespace meridiana {

struct PngOptions {
  int compressionLevel = 1;  // zlib level, 0..9
  bool subFilter = true;     // the "sub" row filter; otherwise no filtering
  bool runLength = true;     // zlib's run-length strategy: matches only at distance 1
  // Each row's filter chosen by libpng among all five (overrides subFilter): slower, smaller.
  bool adaptiveFilter = false;
};

// The smallest file libpng and zlib make, at many times the time of the default.
constexpr PngOptions kSmallestPng{9, false, false, true};

// How many bands of rows the fast writer deflates apart (fewer for an image of fewer rows).
inline constexpr int kPngBands = 4;

// The PNG bytes of a 24-bit image (8-bit RGB, no interlace), appended to *out. False for an
// absent image, another depth, or any library error; *out is then left as it was.
bool EncodePng(const Dib* dib, std::string* out, const PngOptions& options = {});

// Encodes and writes the file whole or not at all.
bool SavePng(const Dib* dib, const char* path, const PngOptions& options = {},
             FileSync sync = FileSync::kToDisk);

}  // namespace meridiana
