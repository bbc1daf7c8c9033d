#include "map/image_load.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace meridiana {
namespace {

// A picture file larger than the biggest image it may describe is refused before reading.
constexpr std::size_t kMaxFileBytes = kDibMaxPixelBytes + (std::size_t{1} << 20);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::optional<std::vector<uint8_t>> ReadBoundedFile(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rbe"));
  if (!file) return std::nullopt;
  struct stat info {};
  // Only regular files: a pipe or device could block or never end.
  if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > kMaxFileBytes) return std::nullopt;
  try {
    std::vector<uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
      return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// Pictures other than PNG are recognised by their content, whichever of the picture extensions
// the file carries; a PNG is not among them.
DibPtr DibDecodePicture(const uint8_t* data, std::size_t size, int64_t maxPixels) {
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
    return DibDecodeJpeg(data, size, maxPixels);
  if (size >= 4 && std::memcmp(data, "GIF8", 4) == 0) return DibDecodeGif(data, size, maxPixels);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DibDecodeBmp(data, size, maxPixels);
  return nullptr;
}

bool EndsWithNoCase(const char* text, std::size_t length, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  if (length < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[length - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

}  // namespace

DibPtr DibCreateForDecoder(int64_t width, int64_t height, int64_t maxPixels) {
  if (width <= 0 || height <= 0 || width > kDibMaxSide || height > kDibMaxSide) return nullptr;
  if (width * height > maxPixels) return nullptr;
  return DibCreate(static_cast<int32_t>(width), static_cast<int32_t>(height), 24, 256);
}

DibPtr DibLoad(const char* path, int64_t maxPixels) {
  if (path == nullptr) return nullptr;
  const std::size_t length = std::strlen(path);
  DibPtr (*decode)(const uint8_t*, std::size_t, int64_t) = nullptr;
  if (EndsWithNoCase(path, length, ".png")) {
    decode = DibDecodePng;
  } else if (EndsWithNoCase(path, length, ".jpg") || EndsWithNoCase(path, length, ".jpeg") ||
             EndsWithNoCase(path, length, ".gif") || EndsWithNoCase(path, length, ".bmp")) {
    decode = DibDecodePicture;
  } else {
    return nullptr;
  }
  const auto bytes = ReadBoundedFile(path);
  if (!bytes) return nullptr;
  return decode(bytes->data(), bytes->size(), maxPixels);
}

}  // namespace meridiana
