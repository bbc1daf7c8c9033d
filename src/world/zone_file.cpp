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

// A reader of a POSIX rule, front to back.
struct RuleReader {
  std::string_view text;
  std::size_t at = 0;

  bool AtEnd() const { return at >= text.size(); }
  char Peek() const { return AtEnd() ? '\0' : text[at]; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++at;
    return true;
  }
  std::optional<int> Number(int most) {
    if (!(Peek() >= '0' && Peek() <= '9')) return std::nullopt;
    int n = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      n = n * 10 + (text[at++] - '0');
      if (n > most) return std::nullopt;
    }
    return n;
  }
  // "EST" or "<+1030>".
  bool Name() {
    if (Take('<')) {
      const std::size_t end = text.find('>', at);
      if (end == std::string_view::npos) return false;
      at = end + 1;
      return true;
    }
    const std::size_t start = at;
    while ((Peek() >= 'A' && Peek() <= 'Z') || (Peek() >= 'a' && Peek() <= 'z')) ++at;
    return at - start >= 3;
  }
  // [+-]hh[:mm[:ss]] in seconds, hours up to 167 as the rules' times allow.
  std::optional<int> Duration() {
    int sign = 1;
    if (Take('-')) {
      sign = -1;
    } else {
      Take('+');
    }
    std::optional<int> hours = Number(167);
    if (!hours) return std::nullopt;
    int seconds = *hours * 3600;
    for (int unit : {60, 1}) {
      if (!Take(':')) break;
      std::optional<int> part = Number(59);
      if (!part) return std::nullopt;
      seconds += *part * unit;
    }
    return sign * seconds;
  }
};

// A date of a rule ("M3.5.0", "J60", "59") with its time, as the wall-clock instant of a year.
struct RuleDate {
  char kind = 'M';
  int month = 0, week = 0, weekday = 0, day = 0;
  int time = 2 * 3600;

  TimeValue In(int year) const {
    TimeValue midnight = 0;
    if (kind == 'M') {
      const TimeValue first = UtcFromCalendar(year, month, 1);
      int d = 1 + (weekday - UtcBreakdown(first).weekday + 7) % 7 + 7 * (week - 1);
      while (d > DaysInMonth(year, month)) d -= 7;
      midnight = first + static_cast<TimeValue>(d - 1) * 86400;
    } else {
      // J counts 1 to 365 and never 29 February; a plain number counts 0 to 365.
      int index = kind == 'J' ? day - 1 : day;
      if (kind == 'J' && DaysInMonth(year, 2) == 29 && day >= 60) ++index;
      midnight = UtcFromCalendar(year, 1, 1) + static_cast<TimeValue>(index) * 86400;
    }
    return midnight + time;
  }
};

std::optional<RuleDate> ReadRuleDate(RuleReader& r) {
  RuleDate date;
  if (r.Take('M')) {
    const std::optional<int> month = r.Number(12);
    if (!month || *month < 1 || !r.Take('.')) return std::nullopt;
    const std::optional<int> week = r.Number(5);
    if (!week || *week < 1 || !r.Take('.')) return std::nullopt;
    const std::optional<int> weekday = r.Number(6);
    if (!weekday) return std::nullopt;
    date.month = *month;
    date.week = *week;
    date.weekday = *weekday;
  } else {
    date.kind = r.Take('J') ? 'J' : 'n';
    const std::optional<int> day = r.Number(365);
    if (!day || (date.kind == 'J' && *day < 1)) return std::nullopt;
    date.day = *day;
  }
  if (r.Take('/')) {
    const std::optional<int> time = r.Duration();
    if (!time) return std::nullopt;
    date.time = *time;
  }
  return date;
}

}  // namespace

std::optional<int> PosixRuleOffset(std::string_view rule, TimeValue t) {
  RuleReader r{rule};
  if (!r.Name()) return std::nullopt;
  const std::optional<int> standardWest = r.Duration();
  if (!standardWest) return std::nullopt;
  const int standard = -*standardWest;
  if (r.AtEnd()) return standard;
  if (!r.Name()) return std::nullopt;
  int saving = standard + 3600;
  if (r.Peek() != ',') {
    const std::optional<int> savingWest = r.Duration();
    if (!savingWest) return std::nullopt;
    saving = -*savingWest;
  }
  if (!r.Take(',')) return std::nullopt;
  const std::optional<RuleDate> start = ReadRuleDate(r);
  if (!start || !r.Take(',')) return std::nullopt;
  const std::optional<RuleDate> end = ReadRuleDate(r);
  if (!end || !r.AtEnd()) return std::nullopt;
  // The start is given in standard time, the end in saving time, each of the year the standard
  // clock shows.
  const int year = UtcBreakdown(t + standard).year;
  const TimeValue from = start->In(year) - standard;
  const TimeValue to = end->In(year) - saving;
  const bool inSaving = from < to ? (t >= from && t < to) : !(t >= to && t < from);
  return inSaving ? saving : standard;
}

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
  // After the 64-bit block, a version 2 file closes with its rule between two new lines.
  if (timeSize == 8) {
    const std::size_t footer = at - c->time * timeSize - c->time + c->BlockSize(timeSize);
    if (footer < b.size() && b[footer] == '\n') {
      const std::size_t close = b.find('\n', footer + 1);
      if (close != std::string_view::npos) {
        zone.rule_ = std::string(b.substr(footer + 1, close - footer - 1));
        if (!PosixRuleOffset(zone.rule_, 0)) zone.rule_.clear();
      }
    }
  }
  return zone;
}

int ZoneFile::OffsetAt(TimeValue t) const {
  if (!rule_.empty() && (changes_.empty() || t >= changes_.back())) {
    if (const std::optional<int> offset = PosixRuleOffset(rule_, t)) return *offset;
  }
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
