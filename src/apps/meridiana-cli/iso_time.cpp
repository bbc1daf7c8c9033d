#include "iso_time.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "world/solar_position.h"

namespace meridiana::cli {
namespace {

// The unsigned decimal number of exactly `digits` digits at text[at].
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t digits) {
  if (at + digits > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

IsoInstant ReadIsoInstant(std::string_view text, const Clock& host) {
  IsoInstant result;
  // The zone designator: "Z", "+hh:mm", "-hh:mm", or none.
  enum { kLocal, kUtc, kOffset } zone = kLocal;
  int offset = 0;
  if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) {
    zone = kUtc;
    text.remove_suffix(1);
  } else if (text.size() > 6 && (text[text.size() - 6] == '+' || text[text.size() - 6] == '-') &&
             text[text.size() - 3] == ':') {
    const auto hours = Digits(text, text.size() - 5, 2);
    const auto minutes = Digits(text, text.size() - 2, 2);
    if (!hours || !minutes || *hours > 23 || *minutes > 59) return result;
    offset = (*hours * 60 + *minutes) * 60 * (text[text.size() - 6] == '-' ? -1 : 1);
    zone = kOffset;
    text.remove_suffix(6);
  }
  if ((text.size() != 16 && text.size() != 19) || text[4] != '-' || text[7] != '-' ||
      text[10] != 'T' || text[13] != ':' || (text.size() == 19 && text[16] != ':')) {
    return result;
  }
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2);
  const auto minute = Digits(text, 14, 2);
  const auto second = text.size() == 19 ? Digits(text, 17, 2) : std::optional<int>(0);
  if (!year || !month || !day || !hour || !minute || !second) return result;
  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 ||
      *minute > 59 || *second > 59) {
    return result;
  }
  TimeValue t = UtcFromCalendar(*year, *month, *day, *hour, *minute, *second) - offset;
  if (zone == kLocal) {
    const auto local = host.FromHostLocal(*year, *month, *day, *hour, *minute, *second);
    if (!local) {
      result.error = IsoError::kSkipped;
      return result;
    }
    t = *local;
  }
  result.error = InSolarYears(t) ? IsoError::kNone : IsoError::kOutOfYears;
  result.instant = t;
  return result;
}

std::optional<TimeValue> ParseIsoInstant(std::string_view text, const char* command,
                                         bool anyYear) {
  const IsoInstant at = ReadIsoInstant(text, SystemClock());
  const std::string shown(text);
  const char* space = *command != '\0' ? " " : "";
  switch (at.error) {
    case IsoError::kNone:
      return at.instant;
    case IsoError::kForm:
      return std::nullopt;  // the caller names the option and shows its usage
    case IsoError::kSkipped: {
      const char* tz = std::getenv("TZ");
      std::fprintf(stderr,
                   "meridiana-cli%s%s: %s does not exist here (TZ=%s): the clocks skip that time\n",
                   space, command, shown.c_str(), tz != nullptr ? tz : "the system's zone");
      std::exit(1);
    }
    case IsoError::kOutOfYears:
      if (anyYear) return at.instant;
      std::fprintf(stderr, "meridiana-cli%s%s: %s lies outside the years %d to %d\n", space,
                   command, shown.c_str(), kFirstSolarYear, kLastSolarYear);
      std::exit(1);
  }
  return std::nullopt;
}

std::string FormatIsoInstant(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute, c.second);
  return text;
}

}  // namespace meridiana::cli
