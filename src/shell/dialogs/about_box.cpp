#include "shell/dialogs/about_box.h"

#include <QStringList>
#include <QSysInfo>
#include <QtGlobal>
#include <sstream>

#include "foundation/file_util.h"
#include "online/live_data.h"
#include "online/version_check.h"
#include "shell/app/app_identity.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

// The resident set of this process in kilobytes, from /proc; 0 when it cannot be told.
long ResidentKilobytes() {
  std::istringstream status(ReadWholeFile("/proc/self/status").value_or(""));
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// Markdown's backslash escapes (\" for a quote inside a quoted text) undone: the page shows the
// character, not the escape.
QString WithoutMarkdownEscapes(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1].isPunct()) ++i;
    plain += text[i];
  }
  return plain;
}

// The "- ..." lines of the attribution section, as one HTML list item each.
QString AttributionItems(const std::string& sourcesPath) {
  const std::optional<std::string> text = ReadWholeFile(sourcesPath.c_str());
  if (!text) return {};
  std::istringstream lines(*text);
  std::string line;
  bool inSection = false;
  QString items;
  QString current;
  const auto flush = [&] {
    if (!current.isEmpty())
      items += "<li>" + WithoutMarkdownEscapes(current).toHtmlEscaped() + "</li>";
    current.clear();
  };
  while (std::getline(lines, line)) {
    if (line.rfind("## ", 0) == 0 || line.rfind("### ", 0) == 0) {
      flush();
      inSection = line.find("Attribution") != std::string::npos;
      continue;
    }
    if (!inSection) continue;
    if (line.rfind("- ", 0) == 0) {
      flush();
      current = ToQString(line.substr(2));
    } else if (!line.empty() && !current.isEmpty()) {
      current += " " + ToQString(line.substr(line.find_first_not_of(' ')));
    } else {
      flush();
    }
  }
  flush();
  return items;
}

constexpr int kTaglineText = 1506;
constexpr int kBuiltText = 1507;
constexpr int kMemoryText = 1508;
constexpr int kLicenceText = 1509;
constexpr int kDataHeadingText = 1510;
constexpr int kLiveHeadingText = 1511;
constexpr int kNotAskedText = 1512;
constexpr int kAvailableText = 1513;
constexpr int kCurrentText = 1514;
constexpr int kHowToUpgradeText = 1515;

// A translated text with each "%s" replaced by the next value, all of it HTML-escaped; values
// set in the tag when one is given.
QString Filled(const QString& text, const QStringList& values, const QString& tag = {}) {
  QString out;
  qsizetype next = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && next < values.size()) {
      const QString value = values[next++].toHtmlEscaped();
      out += tag.isEmpty() ? value : "<" + tag + ">" + value + "</" + tag + ">";
      ++i;
    } else {
      out += QString(text[i]).toHtmlEscaped();
    }
  }
  return out;
}

}  // namespace

QString AboutHtml(const std::string& sourcesPath, const TextLookup& lookup) {
  const auto text = [&lookup](int id) { return lookup ? lookup(id) : EnglishText(id); };
  QString html =
      "<h2>" + ToQString(kDisplayName) + " " + QStringLiteral(MERIDIANA_VERSION) + "</h2>";
  html += "<p>" + text(kTaglineText).toHtmlEscaped() + "</p>";
  html += "<p>" +
          Filled(text(kBuiltText), {QStringLiteral(__DATE__), QStringLiteral(QT_VERSION_STR),
                                    QString::fromLatin1(qVersion()),
                                    QSysInfo::prettyProductName()}) +
          "<br>" +
          Filled(text(kMemoryText), {QString::number(ResidentKilobytes() / 1024.0, 'f', 1)}) +
          "</p>";
  html += "<p>" + text(kLicenceText).toHtmlEscaped() + "</p>";
  const QString items = AttributionItems(sourcesPath);
  if (!items.isEmpty())
    html += "<h3>" + text(kDataHeadingText).toHtmlEscaped() + "</h3><ul>" + items + "</ul>";
  html += "<h3>" + text(kLiveHeadingText).toHtmlEscaped() + "</h3><ul>";
  for (const std::string& line : LiveDataAttributions())
    html += "<li>" + ToQString(line).toHtmlEscaped() + "</li>";
  html += "</ul>";
  return html;
}

QString UpgradeHtml(const std::optional<std::string>& newest, const TextLookup& lookup) {
  const auto text = [&lookup](int id) { return lookup ? lookup(id) : EnglishText(id); };
  const QString running = QStringLiteral(MERIDIANA_VERSION);
  QString verdict;
  if (!newest) {
    verdict = text(kNotAskedText).toHtmlEscaped();
  } else if (CompareVersions(*newest, MERIDIANA_VERSION) > 0) {
    verdict = Filled(text(kAvailableText), {ToQString(*newest), running});
  } else {
    verdict = Filled(text(kCurrentText), {ToQString(*newest)});
  }
  return "<h3>" + ToQString(kDisplayName) + " " + running + "</h3><p>" + verdict + "</p><p>" +
         Filled(text(kHowToUpgradeText), {QStringLiteral("cmake --build"),
                                          QStringLiteral("cmake --install")},
                QStringLiteral("tt")) +
         "</p>";
}

}  // namespace meridiana
