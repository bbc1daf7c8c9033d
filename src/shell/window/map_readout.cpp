#include "shell/window/map_readout.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <cstdio>

#include "shell/app/qt_text.h"
#include "world/time_format.h"

namespace meridiana {

namespace {

// "51.51° N"; a value that prints as 0.00 lies in neither hemisphere.
std::string WithHemisphere(double value, const std::string& positive, const std::string& negative) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.2f", std::fabs(value));
  std::string out = text;
  out += "\xC2\xB0";  // the degree sign in UTF-8
  if (out.starts_with("0.00")) return out;
  out += ' ';
  out += value > 0 ? positive : negative;
  return out;
}

}  // namespace

PointerStatusTexts PointerStatus(const PointerReadOut& readOut, const LocaleInfo& locale,
                                 const HemisphereLetters& letters) {
  PointerStatusTexts texts;
  texts.latitude = WithHemisphere(readOut.position.latitude, letters.north, letters.south);
  texts.longitude = WithHemisphere(readOut.position.longitude, letters.east, letters.west);
  texts.localTime = ReadableDateTime(readOut.localTime, locale);
  return texts;
}

int StatusMessagePart(int part) {
  return part == kStatusLatitudePart || part == kStatusLongitudePart || part == kStatusLocalTimePart
             ? 0
             : part;
}

std::string DesktopLocaleInfo::ShortDate(int year, int month, int day) const {
  const QDate date(year, month, day);
  if (!date.isValid()) return {};
  return ToUtf8(QLocale().toString(date, QLocale::ShortFormat));
}

std::string DesktopLocaleInfo::DayAndMonth(int month, int day) const {
  const QDate date(2000, month, day);  // a leap year, so 29 February is a day too
  if (!date.isValid()) return {};
  // The short date's format without its year and the separator that joined it.
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  const qsizetype first = format.indexOf(u'y');
  if (first < 0) return ToUtf8(QLocale().toString(date, format));
  qsizetype last = first;
  while (last < format.size() && format[last] == u'y') ++last;
  const auto isField = [](QChar c) { return c == u'd' || c == u'M'; };
  if (last < format.size()) {  // the year leads: drop it and what follows up to the next field
    while (last < format.size() && !isField(format[last])) ++last;
    format.remove(first, last - first);
  } else {  // the year ends the date: drop it and what precedes it back to the last field
    qsizetype start = first;
    while (start > 0 && !isField(format[start - 1])) --start;
    format.remove(start, last - start);
  }
  return ToUtf8(QLocale().toString(date, format));
}

std::string DesktopLocaleInfo::ShortHour(int hour) const {
  const QTime time(hour, 0);
  if (!time.isValid()) return {};
  return ToUtf8(QLocale().toString(time, QLocale::ShortFormat));
}

std::string DesktopLocaleInfo::DateSeparator() const {
  const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted || c.isLetter() || c.isSpace()) continue;
    return ToUtf8(QString(c));
  }
  return {};
}

}  // namespace meridiana
