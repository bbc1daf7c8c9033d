#include "world/zone_file.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/file_util.h"

namespace meridiana {
namespace {

constexpr std::size_t kHeaderSize = 44;

std::uint32_t BigEndian32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

std::int64_t BigEndian64(std::string_view b, std::size_t at) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(BigEndian32(b, at)) << 32 |
                                   BigEndian32(b, at + 4));
}

struct Counts {
  std::size_t isUt, isStd, leap, time, type, chars;
  std::size_t BlockSize(std::size_t timeSize) const {
    return time * timeSize + time + type * 6 + chars + leap * (timeSize + 4) + isStd + isUt;
  }
};

std::optional<Counts> ReadHeader(std::string_view b, std::size_t at) {
  if (b.size() < at + kHeaderSize || b.substr(at, 4) != "TZif") return std::nullopt;
  Counts c{BigEndian32(b, at + 20), BigEndian32(b, at + 24), BigEndian32(b, at + 28),
           BigEndian32(b, at + 32), BigEndian32(b, at + 36), BigEndian32(b, at + 40)};
  // Each count is bounded by the file size, so the block size cannot overflow.
  for (std::size_t n : {c.isUt, c.isStd, c.leap, c.time, c.type, c.chars}) {
    if (n > b.size()) return std::nullopt;
  }
  if (c.type == 0) return std::nullopt;
  return c;
}

bool NameIsSafe(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find("..") != std::string_view::npos) {
    return false;
  }
  return std::all_of(name.begin(), name.end(), [](char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch == '-' || ch == '+' || ch == '/';
  });
}

}  // namespace

std::optional<ZoneFile> ZoneFile::Parse(std::string_view b) {
  std::optional<Counts> c = ReadHeader(b, 0);
  if (!c) return std::nullopt;
  std::size_t at = kHeaderSize;
  std::size_t timeSize = 4;
  if (b[4] >= '2') {
    // Skip the 32-bit block: the second header and its 64-bit block follow.
    at += c->BlockSize(4);
    c = ReadHeader(b, at);
    if (!c) return std::nullopt;
    at += kHeaderSize;
    timeSize = 8;
  }
  if (b.size() - at < c->BlockSize(timeSize)) return std::nullopt;

  ZoneFile zone;
  zone.changes_.reserve(c->time);
  for (std::size_t i = 0; i < c->time; ++i) {
    const std::size_t p = at + i * timeSize;
    zone.changes_.push_back(timeSize == 8 ? BigEndian64(b, p)
                                          : static_cast<std::int32_t>(BigEndian32(b, p)));
  }
  at += c->time * timeSize;
  for (std::size_t i = 0; i < c->time; ++i) {
    const auto kind = static_cast<std::uint8_t>(b[at + i]);
    if (kind >= c->type) return std::nullopt;
    zone.kinds_.push_back(kind);
  }
  at += c->time;
  for (std::size_t i = 0; i < c->type; ++i) {
    zone.offsets_.push_back(static_cast<std::int32_t>(BigEndian32(b, at + i * 6)));
  }
  if (!std::is_sorted(zone.changes_.begin(), zone.changes_.end())) return std::nullopt;
  return zone;
}

int ZoneFile::OffsetAt(TimeValue t) const {
  const auto after = std::upper_bound(changes_.begin(), changes_.end(), t);
  if (after == changes_.begin()) return offsets_.front();
  return offsets_[kinds_[static_cast<std::size_t>(after - changes_.begin() - 1)]];
}

std::string SystemZoneFolder() {
  const char* folder = std::getenv("TZDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

std::optional<ZoneFile> LoadZoneFile(const std::string& folder, std::string_view name) {
  if (!NameIsSafe(name)) return std::nullopt;
  const std::string path = folder + "/" + std::string(name);
  const std::optional<std::string> bytes = ReadWholeFile(path.c_str());
  if (!bytes) return std::nullopt;
  return ZoneFile::Parse(*bytes);
}

const ZoneFile* ZoneFileCache::Find(std::string_view name) {
  auto found = files_.find(name);
  if (found == files_.end()) {
    found = files_.emplace(std::string(name), LoadZoneFile(folder_, name)).first;
  }
  return found->second ? &*found->second : nullptr;
}

}  // namespace meridiana
