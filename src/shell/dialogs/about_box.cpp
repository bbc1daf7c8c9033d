#include "shell/dialogs/about_box.h"

#include <QSysInfo>
#include <QtGlobal>
#include <sstream>

#include "foundation/file_util.h"
#include "online/live_data.h"
#include "online/version_check.h"
#include "shell/app/app_identity.h"
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

}  // namespace

QString AboutHtml(const std::string& sourcesPath) {
  QString html =
      "<h2>" + ToQString(kDisplayName) + " " + QStringLiteral(MERIDIANA_VERSION) + "</h2>";
  html += "<p>A world clock on a live map of the Earth.</p>";
  html += "<p>Built " + QStringLiteral(__DATE__) + " with Qt " + QStringLiteral(QT_VERSION_STR) +
          ", running on Qt " + qVersion() + ", " + QSysInfo::prettyProductName().toHtmlEscaped() +
          ".<br>Memory in use: " + QString::number(ResidentKilobytes() / 1024.0, 'f', 1) +
          " MB.</p>";
  html +=
      "<p>This program is free software under the GNU General Public License, version 3 or "
      "later. It comes with no warranty.</p>";
  const QString items = AttributionItems(sourcesPath);
  if (!items.isEmpty()) html += "<h3>Data and artwork</h3><ul>" + items + "</ul>";
  html += "<h3>Live data</h3><ul>";
  for (const std::string& line : LiveDataAttributions())
    html += "<li>" + ToQString(line).toHtmlEscaped() + "</li>";
  html += "</ul>";
  return html;
}

QString UpgradeHtml(const std::optional<std::string>& newest) {
  const QString running = QStringLiteral(MERIDIANA_VERSION);
  QString verdict;
  if (!newest) {
    verdict = "The online service could not be asked for the newest version just now.";
  } else if (CompareVersions(*newest, MERIDIANA_VERSION) > 0) {
    verdict = "Version " + ToQString(*newest).toHtmlEscaped() + " is available; this copy is " +
              running + ".";
  } else {
    verdict =
        "This copy is current: the newest version is " + ToQString(*newest).toHtmlEscaped() + ".";
  }
  return "<h3>" + ToQString(kDisplayName) + " " + running + "</h3><p>" + verdict +
         "</p><p>The program only asks; it never downloads or runs anything. Install a newer "
         "release the way you installed this one: from your distribution's packages, or from "
         "the source with <tt>cmake --build</tt> and <tt>cmake --install</tt>. Your settings, "
         "marked cities and cached pictures stay where they are.</p>";
}

}  // namespace meridiana
