#include "world/packed_data_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

#include "foundation/file_util.h"

namespace meridiana {
namespace {

std::uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void AppendLe32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::optional<std::string> UnpackData(std::string_view bytes) {
  if (bytes.size() < 8) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  if (ReadLe32(p) != kPackedDataMagic) return std::nullopt;
  const auto plainLength = static_cast<std::int32_t>(ReadLe32(p + 4));
  if (plainLength < 0) return std::nullopt;

  // Deflate cannot expand a byte of input into more than 1032 bytes of output, so a stated
  // length beyond that is never reached: inflating into the smaller capacity gives the same
  // result without letting a tiny file claim gigabytes of memory.
  const std::uint64_t reachable = static_cast<std::uint64_t>(bytes.size() - 8) * 1032 + 1024;
  const auto capacity = static_cast<std::size_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(plainLength), reachable));
  std::string text;
  try {
    text.resize(capacity);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  uLongf produced = static_cast<uLongf>(capacity);
  const uLong sourceLength = static_cast<uLong>(bytes.size() - 8);
  // uncompress() fails with Z_BUF_ERROR when the text is longer than the stated length, and with
  // Z_DATA_ERROR for a corrupt stream or a bad Adler-32.
  const int rc =
      ::uncompress(reinterpret_cast<Bytef*>(text.data()), &produced, p + 8, sourceLength);
  if (rc != Z_OK) return std::nullopt;
  text.resize(produced);
  return text;
}

std::optional<std::string> ReadPackedDataFile(const char* name) {
  const auto file = ReadWholeFile(name);
  if (!file) return std::nullopt;
  return UnpackData(*file);
}

std::string PackData(std::string_view text) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return {};
  uLongf bound = ::compressBound(static_cast<uLong>(text.size()));
  std::string out;
  AppendLe32(out, kPackedDataMagic);
  AppendLe32(out, static_cast<std::uint32_t>(text.size()));
  out.resize(8 + bound);
  if (::compress2(reinterpret_cast<Bytef*>(out.data() + 8), &bound,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
    return {};
  out.resize(8 + bound);
  return out;
}

}  // namespace meridiana
