#include "world/time_format.h"

#include <cstdio>
#include <vector>

namespace meridiana {
namespace {

constexpr const char* kMonthNames[12] = {"january",   "february", "march",    "april",
                                         "may",       "june",     "july",     "august",
                                         "september", "october",  "november", "december"};

// The fixed layouts live in 40-byte buffers: at most 39 characters.
constexpr std::size_t kMaxFixedLayout = 39;

// Beyond this the calendar's year no longer fits its fields.
constexpr TimeValue kMaxBreakdownSeconds = 100000000000000;  // about three million years

bool CanBreakDown(TimeValue t) { return t >= -kMaxBreakdownSeconds && t <= kMaxBreakdownSeconds; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(const std::string& text, std::size_t at, std::string_view token, bool anyCase) {
  if (text.size() - at < token.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    const char a = text[at + i];
    const char b = token[i];
    if (anyCase ? LowerAscii(a) != LowerAscii(b) : a != b) return false;
  }
  return true;
}

// The template as pieces: its own text, which tokens are looked for in, and text inserted by a
// replacement, which is never searched again.
struct Piece {
  std::string text;
  bool inserted;
};

void ReplaceToken(std::vector<Piece>* pieces, std::string_view token, bool anyCase,
                  const std::string& replacement) {
  std::vector<Piece> out;
  out.reserve(pieces->size());
  for (Piece& piece : *pieces) {
    if (piece.inserted) {
      out.push_back(std::move(piece));
      continue;
    }
    const std::string& s = piece.text;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
      if (MatchesAt(s, i, token, anyCase)) {
        if (i > start) out.push_back({s.substr(start, i - start), false});
        out.push_back({replacement, true});
        i += token.size();
        start = i;
      } else {
        ++i;
      }
    }
    if (start < s.size()) out.push_back({s.substr(start), false});
  }
  *pieces = std::move(out);
}

std::string TwoDigits(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%02i", v);
  return text;
}

// The year within its century, as two digits.
int ShortYear(int year) { return ((year % 100) + 100) % 100; }

std::string FixedLayout(int a, int b, int c, std::string_view separator, const CalendarTime& t) {
  std::string out = TwoDigits(a);
  out += separator;
  out += TwoDigits(b);
  out += separator;
  out += TwoDigits(c);
  out += ' ';
  out += TwoDigits(t.hour);
  out += ':';
  out += TwoDigits(t.minute);
  out += ':';
  out += TwoDigits(t.second);
  if (out.size() > kMaxFixedLayout) out.resize(kMaxFixedLayout);
  return out;
}

constexpr char kNoTimeText[] = "00/00/00 00:00:00";

}  // namespace

std::optional<std::string> FormatTimeTemplate(const Clock& clock, TimeValue time,
                                              std::string_view templ) {
  if (time == kNoTime || !CanBreakDown(time)) return std::nullopt;
  const CalendarTime t = clock.HostLocal(time);

  std::string month;
  if (t.month >= 1 && t.month <= 12) {
    month.assign(kMonthNames[t.month - 1], 3);
    month[0] = static_cast<char>(month[0] - 'a' + 'A');
  }

  std::vector<Piece> pieces{{std::string(templ), false}};
  ReplaceToken(&pieces, "YYYY", false, std::to_string(t.year));
  ReplaceToken(&pieces, "YY", false, std::to_string(t.year - 2000));
  ReplaceToken(&pieces, "MM", false, std::to_string(t.month));
  ReplaceToken(&pieces, "DD", false, std::to_string(t.day));
  ReplaceToken(&pieces, "MON", true, month);
  ReplaceToken(&pieces, "HH", true, TwoDigits(t.hour));
  ReplaceToken(&pieces, "MI", true, TwoDigits(t.minute));
  ReplaceToken(&pieces, "SS", true, TwoDigits(t.second));
  ReplaceToken(&pieces, "SE", true, TwoDigits(t.second));

  std::string out;
  for (const Piece& p : pieces) out += p.text;
  return out;
}

std::string FormatUtcDateTime(TimeValue time, int order, const LocaleInfo& locale) {
  if (order < kMonthDayYear || order > kYearMonthDay) return {};
  if (time == kNoTime) return kNoTimeText;
  if (!CanBreakDown(time)) return {};
  const CalendarTime t = UtcBreakdown(time);

  const std::string platform = locale.DateSeparator();
  std::string_view separator = std::string_view(platform).substr(0, kMaxDateSeparator);
  if (separator.empty()) separator = "/";

  const int year = ShortYear(t.year);
  switch (order) {
    case kMonthDayYear:
      return FixedLayout(t.month, t.day, year, separator, t);
    case kDayMonthYear:
      return FixedLayout(t.day, t.month, year, separator, t);
    default:
      return FixedLayout(year, t.month, t.day, separator, t);
  }
}

std::string ReadableDateTime(TimeValue time, const LocaleInfo& locale) {
  if (time == kNoTime || !CanBreakDown(time)) return FormatUtcDateTime(time, kMonthDayYear, locale);
  const CalendarTime t = UtcBreakdown(time);
  const std::string date = locale.ShortDate(t.year, t.month, t.day);
  if (date.empty()) return FormatUtcDateTime(time, kMonthDayYear, locale);
  char clock[16];
  std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", t.hour, t.minute, t.second);
  return date + clock;
}

std::string FormatLocalDateTime(const Clock& clock, TimeValue time, bool monthFirst) {
  if (time == kNoTime) return kNoTimeText;
  if (!CanBreakDown(time)) return {};
  const CalendarTime t = clock.HostLocal(time);
  const int year = ShortYear(t.year);
  return monthFirst ? FixedLayout(t.month, t.day, year, "/", t)
                    : FixedLayout(t.day, t.month, year, "/", t);
}

std::string_view ClockPart(std::string_view dateTime) {
  const std::size_t blank = dateTime.find(' ');
  return blank == std::string_view::npos ? std::string_view() : dateTime.substr(blank + 1);
}

}  // namespace meridiana
