#include "online/data_provenance.h"

#include <algorithm>
#include <cstdio>

#include "foundation/text_util.h"
#include "online/markup.h"
#include "online/quake_feed.h"
#include "online/service_reply.h"

namespace meridiana {
namespace {

// A clock this far behind the service's is still "just now".
constexpr TimeValue kSkewSeconds = 300;

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

std::optional<TimeValue> CheckedTime(int year, int month, int day, int hour, int minute,
                                     int second) {
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  return UtcFromCalendar(year, month, day, hour, minute, second);
}

std::string MonthName(int month, const ProvenanceTexts& texts) {
  std::size_t start = 0;
  for (int m = 1;; ++m) {
    while (start < texts.months.size() && texts.months[start] == ' ') ++start;
    const std::size_t end = std::min(texts.months.find(' ', start), texts.months.size());
    if (start >= end) return std::to_string(month);  // a short list: the number will do
    if (m == month) return texts.months.substr(start, end - start);
    start = end;
  }
}

std::optional<CalendarTime> QtDay(std::string_view qt) {
  const auto year = Digits(qt, 0, 4), month = Digits(qt, 5, 2), day = Digits(qt, 8, 2);
  if (!year || !month || !day || qt[4] != '-' || qt[7] != '-' ||
      !CheckedTime(*year, *month, *day, 0, 0, 0))
    return std::nullopt;
  CalendarTime calendar;
  calendar.year = *year;
  calendar.month = *month;
  calendar.day = *day;
  return calendar;
}

// The service escapes its texts; what the user reads is the text itself.
std::string Decoded(std::string text) {
  // &apos; is XML's, not among the HTML names the decoder knows.
  for (std::size_t at = text.find("&apos;"); at != std::string::npos; at = text.find("&apos;", at))
    text.replace(at, 6, 1, '\'');
  DecodeEntities(text);
  return text;
}

}  // namespace

std::optional<TimeValue> ParseIsoTime(std::string_view text) {
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != 'Z')
    return std::nullopt;
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  return CheckedTime(*year, *month, *day, *hour, *minute, *second);
}

std::optional<TimeValue> FrameTime(std::string_view t) {
  if (t.size() != 10 && t.size() != 12) return std::nullopt;
  const auto year = Digits(t, 0, 4), month = Digits(t, 4, 2), day = Digits(t, 6, 2);
  const auto hour = Digits(t, 8, 2);
  const auto minute = t.size() == 12 ? Digits(t, 10, 2) : std::optional<int>(0);
  if (!year || !month || !day || !hour || !minute) return std::nullopt;
  return CheckedTime(*year, *month, *day, *hour, *minute, 0);
}

DataProvenance ReadProvenance(std::string_view body, std::string_view rootName) {
  DataProvenance provenance;
  // Only the root's own tag is scanned, however long the list after it.
  std::string open = "<";
  open += rootName;
  std::size_t at = 0;
  for (;;) {
    at = FindIgnoringCase(body, open, at);
    if (at == std::string_view::npos) return provenance;
    const std::size_t after = at + 1 + rootName.size();
    if (after < body.size() &&
        std::string_view(" \t\r\n/>").find(body[after]) != std::string_view::npos)
      break;
    at = after;
  }
  const std::size_t close = body.find('>', at);
  const std::string_view tag =
      body.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at + 1);
  for (const MarkupToken& token : ScanMarkup(tag, 0)) {
    if (!TagIs(token, rootName)) continue;
    if (const auto source = AttributeValue(token, "source")) {
      provenance.source = PlainTextLine(Decoded(*source), kMaxSourceNameBytes);
      provenance.present = true;
    }
    if (const auto sample = AttributeValue(token, "sample")) {
      provenance.sample = *sample == "1";
      provenance.present = true;
    }
    if (const auto updated = AttributeValue(token, "updated")) {
      provenance.updated = ParseIsoTime(*updated).value_or(0);
      provenance.present = true;
    }
    if (const auto failed = AttributeValue(token, "failed")) {
      provenance.failed = ParseIsoTime(*failed).value_or(0);
      provenance.present = true;
    }
    if (const auto problem = AttributeValue(token, "problem")) {
      provenance.problem = PlainTextLine(Decoded(*problem), kMaxProblemBytes);
      provenance.present = true;
    }
    // A failure whose time does not read still failed.
    provenance.refreshFailed = AttributeValue(token, "failed") || !provenance.problem.empty();
    break;
  }
  return provenance;
}

std::string FillPlaceholders(std::string_view text, const std::vector<std::string>& values) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && next < values.size()) {
      out += values[next++];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string UtcMinuteText(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d UTC", c.year, c.month, c.day, c.hour,
                c.minute);
  return text;
}

std::string AgeText(TimeValue then, TimeValue now, const ProvenanceTexts& texts) {
  const TimeValue age = now - then;
  if (age < -kSkewSeconds) return UtcMinuteText(then);
  if (age < 60) return texts.justNow;
  if (age < 3600) return FillPlaceholders(texts.minutesAgo, {std::to_string(age / 60)});
  if (age < 2 * 86400) return FillPlaceholders(texts.hoursAgo, {std::to_string(age / 3600)});
  return FillPlaceholders(texts.daysAgo, {std::to_string(age / 86400)});
}

std::string QuakeRangeText(const std::vector<QuakeRecord>& records, const ProvenanceTexts& texts) {
  std::optional<CalendarTime> first, last;
  const auto key = [](const CalendarTime& c) { return (c.year * 100 + c.month) * 100 + c.day; };
  for (const QuakeRecord& record : records) {
    const std::optional<CalendarTime> day = QtDay(record.time);
    if (!day) continue;
    if (!first || key(*day) < key(*first)) first = day;
    if (!last || key(*day) > key(*last)) last = day;
  }
  if (!first) return {};
  const auto dayMonth = [&](const CalendarTime& c) {
    std::string day = std::to_string(c.day);
    day += " ";
    day += MonthName(c.month, texts);
    return day;
  };
  std::string text;
  if (key(*first) != key(*last)) {
    text = dayMonth(*first);
    if (first->year != last->year) {
      text += " ";
      text += std::to_string(first->year);
    }
    text += " - ";
  }
  text += dayMonth(*last);
  text += " ";
  text += std::to_string(last->year);
  return text;
}

std::string QuakeSourceLine(const DataProvenance& provenance,
                            const std::vector<QuakeRecord>& records, TimeValue now,
                            const ProvenanceTexts& texts) {
  if (!provenance.present) return {};
  if (provenance.sample) {
    std::string line = texts.sample;
    const std::string range = QuakeRangeText(records, texts);
    if (!range.empty()) {
      line += " ";
      line += range;
    }
    return line;
  }
  std::string line = provenance.source;
  if (provenance.updated != 0) {
    if (!line.empty()) line += ", ";
    line += AgeText(provenance.updated, now, texts);
  }
  return line;
}

std::string CloudSourceLine(const DataProvenance& provenance, std::string_view frameNote,
                            std::string_view frameName, TimeValue now,
                            const ProvenanceTexts& texts) {
  if (!provenance.present) return {};
  if (provenance.sample) {
    std::string line = texts.sample;
    line += " ";
    line += texts.syntheticMotion;
    return line;
  }
  std::string line =
      frameNote.empty() ? provenance.source : PlainTextLine(frameNote, kMaxSourceNameBytes);
  if (const std::optional<TimeValue> made = FrameTime(frameName)) {
    if (!line.empty()) line += ", ";
    line += AgeText(*made, now, texts);
  }
  return line;
}

std::string RefreshFailureText(const DataProvenance& provenance, LiveList list, TimeValue now,
                               const ProvenanceTexts& texts) {
  if (!provenance.present || !provenance.refreshFailed) return {};
  const std::string problem = provenance.problem.empty() ? "?" : provenance.problem;
  const std::string* failed = &texts.quakesFailed;
  const std::string* failedSample = &texts.quakesFailedSample;
  switch (list) {
    case LiveList::kQuakes:
      break;
    case LiveList::kClouds:
      failed = &texts.cloudsFailed;
      failedSample = &texts.cloudsFailedSample;
      break;
    case LiveList::kAurora:
      failed = &texts.auroraFailed;
      failedSample = &texts.auroraFailedSample;
      break;
  }
  if (provenance.sample || provenance.updated == 0)
    return FillPlaceholders(*failedSample, {problem});
  return FillPlaceholders(*failed, {problem, AgeText(provenance.updated, now, texts)});
}

std::vector<std::string> ProvenanceReport(const DataProvenance& provenance,
                                          std::string_view sampleWhat, TimeValue now) {
  const ProvenanceTexts english;
  std::vector<std::string> lines;
  if (!provenance.present) {
    lines.emplace_back("source: not stated");
    return lines;
  }
  if (provenance.sample) {
    std::string line = "sample: ";
    line += sampleWhat;
    lines.push_back(std::move(line));
  } else {
    std::string line = "source: ";
    line += provenance.source.empty() ? std::string("not stated") : provenance.source;
    if (provenance.updated != 0) {
      line += ", updated ";
      line += UtcMinuteText(provenance.updated);
      line += " (";
      line += AgeText(provenance.updated, now, english);
      line += ")";
    }
    lines.push_back(std::move(line));
  }
  if (provenance.refreshFailed) {
    std::string line = "last refresh failed";
    if (provenance.failed != 0) {
      line += " at ";
      line += UtcMinuteText(provenance.failed);
    }
    line += ": ";
    line += provenance.problem.empty() ? std::string("no reason given") : provenance.problem;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace meridiana
