#include "foundation/zone_file.h"

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

std::optional<PosixRule::Date> ReadRuleDate(RuleReader& r) {
  PosixRule::Date date;
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

constexpr TimeValue kWallSearchSpan = 30 * 3600;  // beyond any zone's offset from UTC

}  // namespace

TimeValue PosixRule::Date::In(int year) const {
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

std::optional<PosixRule> PosixRule::Parse(std::string_view text) {
  RuleReader r{text};
  if (!r.Name()) return std::nullopt;
  const std::optional<int> standardWest = r.Duration();
  if (!standardWest) return std::nullopt;
  PosixRule rule;
  rule.standard_ = -*standardWest;
  rule.saving_ = rule.standard_;
  if (r.AtEnd()) return rule;
  if (!r.Name()) return std::nullopt;
  rule.saving_ = rule.standard_ + 3600;
  if (r.Peek() != ',') {
    const std::optional<int> savingWest = r.Duration();
    if (!savingWest) return std::nullopt;
    rule.saving_ = -*savingWest;
  }
  if (!r.Take(',')) return std::nullopt;
  const std::optional<Date> start = ReadRuleDate(r);
  if (!start || !r.Take(',')) return std::nullopt;
  const std::optional<Date> end = ReadRuleDate(r);
  if (!end || !r.AtEnd()) return std::nullopt;
  rule.hasSaving_ = true;
  rule.start_ = *start;
  rule.end_ = *end;
  return rule;
}

ZonePeriod PosixRule::PeriodAt(TimeValue t) const {
  ZonePeriod period;
  period.offset = period.standardOffset = standard_;
  if (!hasSaving_) return period;
  // The start is given in standard time, the end in saving time, each of the year the standard
  // clock shows; the changes of the years around t, in order, bound its period.
  struct Change {
    TimeValue at;
    bool toSaving;
  };
  std::vector<Change> changes;
  // Far instants (the ends of the time range) take the years the calendar can still count.
  constexpr TimeValue kFar = 100000000000000;
  const int year = UtcBreakdown(std::clamp<TimeValue>(t, -kFar, kFar) + standard_).year;
  for (int y = year - 1; y <= year + 1; ++y) {
    changes.push_back({start_.In(y) - standard_, true});
    changes.push_back({end_.In(y) - saving_, false});
  }
  std::sort(changes.begin(), changes.end(),
            [](const Change& a, const Change& b) { return a.at < b.at; });
  const auto next = std::upper_bound(changes.begin(), changes.end(), t,
                                     [](TimeValue v, const Change& c) { return v < c.at; });
  if (next == changes.begin()) return period;  // not reached: the year before is in the list
  period.begin = std::prev(next)->at;
  period.end = next == changes.end() ? INT64_MAX : next->at;
  period.saving = std::prev(next)->toSaving;
  if (period.saving) period.offset = saving_;
  return period;
}

std::optional<int> PosixRuleOffset(std::string_view text, TimeValue t) {
  const std::optional<PosixRule> rule = PosixRule::Parse(text);
  if (!rule) return std::nullopt;
  return rule->OffsetAt(t);
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
  const std::size_t blockStart = at;

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
    zone.types_.push_back({static_cast<std::int32_t>(BigEndian32(b, at + i * 6)),
                           b[at + i * 6 + 4] != '\0'});
  }
  if (!std::is_sorted(zone.changes_.begin(), zone.changes_.end())) return std::nullopt;
  // After the 64-bit block, a version 2 file closes with its rule between two new lines.
  if (timeSize == 8) {
    const std::size_t footer = blockStart + c->BlockSize(timeSize);
    if (footer < b.size() && b[footer] == '\n') {
      const std::size_t close = b.find('\n', footer + 1);
      if (close != std::string_view::npos) {
        zone.rule_ = PosixRule::Parse(b.substr(footer + 1, close - footer - 1));
      }
    }
  }
  // A daylight kind's standard time is that of the nearest standard kind before it, else after
  // it, else the closing rule's.
  const std::size_t n = zone.changes_.size();
  zone.standards_.assign(n, 0);
  std::optional<int> standard;
  for (std::size_t i = 0; i < n; ++i) {
    const Kind& k = zone.types_[zone.kinds_[i]];
    if (!k.saving) standard = k.offset;
    zone.standards_[i] = standard.value_or(INT32_MIN);
  }
  std::optional<int> later = zone.rule_ ? std::optional<int>(zone.rule_->PeriodAt(INT32_MAX).standardOffset)
                                        : std::nullopt;
  for (std::size_t i = n; i-- > 0;) {
    const Kind& k = zone.types_[zone.kinds_[i]];
    if (!k.saving) later = k.offset;
    if (zone.standards_[i] == INT32_MIN) zone.standards_[i] = later.value_or(k.offset);
  }
  return zone;
}

ZoneFile ZoneFile::FromRule(const PosixRule& rule) {
  ZoneFile zone;
  const ZonePeriod p = rule.PeriodAt(0);
  zone.types_.push_back({p.offset, p.saving});
  zone.rule_ = rule;
  return zone;
}

ZonePeriod ZoneFile::ListedPeriod(std::size_t index) const {
  ZonePeriod p;
  if (index == SIZE_MAX) {
    // Before the first change: the first kind, standard unless it says otherwise.
    const Kind& k = types_.front();
    p.offset = k.offset;
    p.saving = k.saving;
    p.standardOffset = k.saving && !standards_.empty() ? standards_.front() : k.offset;
    if (!changes_.empty()) p.end = changes_.front();
    return p;
  }
  const Kind& k = types_[kinds_[index]];
  p.begin = changes_[index];
  if (index + 1 < changes_.size()) p.end = changes_[index + 1];
  p.offset = k.offset;
  p.saving = k.saving;
  p.standardOffset = standards_[index];
  return p;
}

ZonePeriod ZoneFile::PeriodAt(TimeValue t) const {
  if (rule_ && (changes_.empty() || t >= changes_.back())) {
    ZonePeriod p = rule_->PeriodAt(t);
    if (!changes_.empty()) p.begin = std::max<TimeValue>(p.begin, changes_.back());
    return p;
  }
  const auto after = std::upper_bound(changes_.begin(), changes_.end(), t);
  if (after == changes_.begin()) return ListedPeriod(SIZE_MAX);
  return ListedPeriod(static_cast<std::size_t>(after - changes_.begin() - 1));
}

std::optional<TimeValue> ZoneFile::FromWallClock(TimeValue wall) const {
  // Every period that may hold an instant showing `wall`, oldest first: the first that does is
  // the first occurrence.
  if (wall < INT64_MIN + 2 * kWallSearchSpan || wall > INT64_MAX - 2 * kWallSearchSpan) {
    return std::nullopt;
  }
  ZonePeriod p = PeriodAt(wall - kWallSearchSpan);
  for (int guard = 0; guard < 64; ++guard) {
    const TimeValue t = wall - p.offset;
    if (p.Contains(t)) return t;
    if (p.end == INT64_MAX || p.end > wall + kWallSearchSpan) break;
    p = PeriodAt(p.end);
  }
  return std::nullopt;
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

ZoneFile LoadHostZone() {
  const char* tz = std::getenv("TZ");
  std::optional<ZoneFile> zone;
  if (tz == nullptr) {
    if (const auto bytes = ReadWholeFile("/etc/localtime")) zone = ZoneFile::Parse(*bytes);
  } else if (*tz != '\0') {
    std::string_view name = tz;
    if (name.front() == ':') name.remove_prefix(1);
    if (!name.empty() && name.front() == '/') {
      if (const auto bytes = ReadWholeFile(std::string(name).c_str()))
        zone = ZoneFile::Parse(*bytes);
    } else {
      zone = LoadZoneFile(SystemZoneFolder(), name);
    }
    if (!zone) {
      if (const auto rule = PosixRule::Parse(name)) zone = ZoneFile::FromRule(*rule);
    }
  }
  if (zone) return *zone;
  return ZoneFile::FromRule(*PosixRule::Parse("UTC0"));
}

ZoneFileCache::Entry& ZoneFileCache::EntryOf(std::string_view name) {
  auto found = files_.find(name);
  if (found == files_.end()) {
    found = files_.emplace(std::string(name), Entry{LoadZoneFile(folder_, name), std::nullopt})
                .first;
  }
  return found->second;
}

const ZoneFile* ZoneFileCache::Find(std::string_view name) {
  const std::lock_guard lock(mutex_);
  Entry& entry = EntryOf(name);
  return entry.file ? &*entry.file : nullptr;
}

std::optional<ZonePeriod> ZoneFileCache::PeriodAt(std::string_view name, TimeValue t) {
  const std::lock_guard lock(mutex_);
  Entry& entry = EntryOf(name);
  if (!entry.file) return std::nullopt;
  if (!entry.last || !entry.last->Contains(t)) entry.last = entry.file->PeriodAt(t);
  return entry.last;
}

}  // namespace meridiana
