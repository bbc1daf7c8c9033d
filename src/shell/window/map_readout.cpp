#include "shell/window/map_readout.h"

#include <QLocale>
#include <cstdio>

#include "shell/app/qt_text.h"
#include "world/time_format.h"

namespace meridiana {

namespace {

std::string TwoDecimals(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.2f", value);
  return text;
}

}  // namespace

PointerStatusTexts PointerStatus(const PointerReadOut& readOut, const LocaleInfo& locale) {
  PointerStatusTexts texts;
  texts.latitude = TwoDecimals(readOut.position.latitude);
  texts.longitude = TwoDecimals(readOut.position.longitude);
  texts.localTime = FormatUtcDateTime(readOut.localTime, kMonthDayYear, locale);
  return texts;
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
