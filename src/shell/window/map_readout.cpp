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
  return part == kStatusLatitudePart || part == kStatusLongitudePart ||
                 part == kStatusLocalTimePart || part == kStatusFromHomePart
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
  // "29 Mar" with the month in the locale's language; where dates start with the year
  // (2026/03/29) the short date's format without its year ("03/29").
  QString format = QLocale().dateFormat(QLocale::ShortFormat);
  if (!format.startsWith(u'y')) return ToUtf8(QLocale().toString(date, QStringLiteral("d MMM")));
  qsizetype next = 0;
  while (next < format.size() && format[next] != u'd' && format[next] != u'M') ++next;
  format.remove(0, next);
  return ToUtf8(QLocale().toString(date, format));
}

std::string DesktopLocaleInfo::ShortHour(int hour) const {
  const QTime time(hour, 0);
  if (!time.isValid()) return {};
  return ToUtf8(QLocale().toString(time, QLocale::ShortFormat));
}

bool DesktopLocaleInfo::MeasuresInMiles() const {
  return QLocale().measurementSystem() != QLocale::MetricSystem;
}

std::string DesktopLocaleInfo::DigitGroupSeparator() const {
  return ToUtf8(QLocale().groupSeparator());
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
