#pragma once
// Writing images as PNG files (libpng). The settings favour speed: the map is written on every
// render, and a fast zlib level with a cheap row filter costs a few percent of size at most.

#include <string>

#include "foundation/dib.h"

namespace meridiana {

struct PngOptions {
  int compressionLevel = 1;  // zlib level, 0..9
  bool subFilter = true;     // the "sub" row filter; otherwise no filtering
  bool runLength = true;     // zlib's run-length strategy: matches only at distance 1
};

// The PNG bytes of a 24-bit image (8-bit RGB, no interlace), appended to *out. False for an
// absent image, another depth, or any library error; *out is then left as it was.
bool EncodePng(const Dib* dib, std::string* out, const PngOptions& options = {});

// Encodes and writes the file whole or not at all.
bool SavePng(const Dib* dib, const char* path, const PngOptions& options = {});

}  // namespace meridiana
