// Every language the program ships, shown as a desktop shows it: each translated text must have
// a glyph for every character in the fonts installed (a missing font shows boxes), the menus
// switch at once, Arabic turns the layout right to left, and English comes back exactly.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGlyphRun>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextLayout>
#include <QToolBar>

#include "foundation/file_util.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/about_box.h"
#include "shell/window/main_window.h"
#include "support/localized_window.h"

namespace meridiana {
namespace {

// The characters of text the application's fonts, fallbacks included, cannot draw.
QString MissingGlyphs(const QString& text) {
  QTextLayout layout(text, QApplication::font());
  layout.beginLayout();
  while (layout.createLine().isValid()) {
  }
  layout.endLayout();
  QString missing;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QVector<quint32> glyphs = run.glyphIndexes();
    if (std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end())
      missing += run.rawFont().familyName() + " ";
  }
  return missing;
}

QStringList MenuTexts(QWidget* bar) {
  QStringList texts;
  for (QAction* action : bar->findChildren<QAction*>()) texts << action->text();
  return texts;
}

TEST(LanguageDisplay, EveryTranslationHasItsGlyphs) {
  const QStringList files = QDir(MERIDIANA_SOURCE_DIR "/data/lang").entryList({"lang_*.txt"});
  ASSERT_EQ(files.size(), 14);
  for (const QString& file : files) {
    const auto text = ReadWholeFile((MERIDIANA_SOURCE_DIR "/data/lang/" + ToUtf8(file)).c_str());
    ASSERT_TRUE(text);
    int checked = 0;
    for (const QString& line : ToQString(*text).split('\n')) {
      if (!line.startsWith("T=")) continue;
      const QString missing = MissingGlyphs(line.mid(2));
      EXPECT_TRUE(missing.isEmpty())
          << ToUtf8(file) << ": " << ToUtf8(line) << " lacks glyphs in " << ToUtf8(missing);
      ++checked;
    }
    EXPECT_GT(checked, 150) << ToUtf8(file);
  }
}

TEST(LanguageDisplay, TheWholeMenuBarSwitchesAndComesBack) {
  test::LocalizedWindow shown;
  InterfaceLanguage& language = shown.language;
  MainWindow& window = shown.window;
  const QStringList english = MenuTexts(window.menuBar());
  ASSERT_TRUE(english.contains("&File"));
  const QString tip = window.toolbar()->actions().first()->toolTip();

  language.Apply("de");
  const QStringList german = MenuTexts(window.menuBar());
  EXPECT_TRUE(german.contains("&Datei"));
  EXPECT_NE(window.toolbar()->actions().first()->toolTip(), tip);
  language.Apply("jo");
  EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
  language.Apply("jp");  // by way of English: no German or Arabic text is left
  EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);
  for (const QString& text : MenuTexts(window.menuBar()))
    EXPECT_FALSE(german.contains(text) && !english.contains(text)) << ToUtf8(text);
  language.Apply("");
  EXPECT_EQ(MenuTexts(window.menuBar()), english);
  EXPECT_EQ(window.toolbar()->actions().first()->toolTip(), tip);
  EXPECT_EQ(language.selectedCode(), "");
}

// The rows of a menu bar title that change when its mnemonic is marked. A marker that keeps
// the letters' shapes adds its underline only, a row or two below the text; one that splits a
// word into runs changes the letters' joining forms over the whole height of the text.
int RowsChangedByMnemonic(const QString& title, Qt::LayoutDirection direction) {
  const auto grab = [direction](const QString& text, QSize size) {
    QMenuBar bar;
    bar.setLayoutDirection(direction);
    bar.addMenu(text);
    bar.resize(size.isValid() ? size : QSize(bar.sizeHint().width() + 40, bar.sizeHint().height()));
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  QString plain = title;
  plain.remove('&');
  const QImage marked = grab(title, QSize());
  const QImage unmarked = grab(plain, marked.size() / marked.devicePixelRatio());
  if (marked.size() != unmarked.size()) return marked.height();
  int rows = 0;
  for (int y = 0; y < marked.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(marked.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(unmarked.constScanLine(y));
    if (!std::equal(a, a + marked.width(), b)) ++rows;
  }
  return rows;
}

TEST(LanguageDisplay, ArabicMenuTitlesKeepTheirLettersJoined) {
  // The check itself: a marker inside an Arabic word does split it here.
  ASSERT_GT(RowsChangedByMnemonic(QString::fromUtf8("&ملف"), Qt::RightToLeft), 4);
  ASSERT_GT(RowsChangedByMnemonic(QString::fromUtf8("ا&ستعادة"), Qt::RightToLeft), 4);

  test::LocalizedWindow shown;
  InterfaceLanguage& language = shown.language;
  MainWindow& window = shown.window;
  language.Apply("jo");
  int titles = 0;
  for (QAction* action : window.menuBar()->actions()) {
    const QString title = action->text();
    EXPECT_TRUE(title.contains(QRegularExpression(QStringLiteral("\\(&[A-Z]\\)"))))
        << ToUtf8(title);
    const int rows = RowsChangedByMnemonic(title, Qt::RightToLeft);
    EXPECT_GE(rows, 1) << ToUtf8(title) << ": no underline drawn";
    EXPECT_LE(rows, 3) << ToUtf8(title) << ": the marker changed the letters";
    ++titles;
  }
  EXPECT_EQ(titles, 6);
  language.Apply("");
}

// The Language menu's item for a command, as it reads now.
QString LanguageItem(QWidget* bar, int command) {
  for (QAction* action : bar->findChildren<QAction*>())
    if (action->data().toInt() == command && !action->menu()) return action->text();
  return {};
}

TEST(LanguageDisplay, TheLanguageMenuNamesEachLanguageInItself) {
  test::LocalizedWindow shown;
  InterfaceLanguage& language = shown.language;
  MainWindow& window = shown.window;
  QMenuBar* bar = window.menuBar();
  // Its own name first; the name in the interface language, mnemonic and all, beside it; one
  // name alone where the two are the same.
  const struct {
    const char* shown;
    int command;
    const char* text;
  } cases[] = {
      {"", 1193, "Deutsch (&German)"},
      {"", 3033, "&English"},
      {"", 3035, "日本語 (&Japanese)"},
      {"", 2362, "العربية (&Arabic)"},
      {"", 537, "Čeština (C&zech)"},
      {"de", 1193, "&Deutsch"},
      {"de", 3033, "English (&Englisch)"},
      {"jp", 3035, "日本語(&J)"},
      {"jp", 3032, "Français (フランス語(&F))"},
      {"jo", 2362, "العربية(&A)"},
      {"", 1193, "Deutsch (&German)"},  // and back
  };
  for (const auto& c : cases) {
    language.Apply(c.shown);
    EXPECT_EQ(LanguageItem(bar, c.command), QString::fromUtf8(c.text))
        << "in '" << c.shown << "', command " << c.command;
  }
  // Every language is offered in its own name, whatever is showing.
  language.Apply("kr");
  for (const LanguageCommand& offered : kLanguageCommands)
    EXPECT_TRUE(LanguageItem(bar, offered.command).startsWith(QString::fromUtf8(offered.ownName)))
        << offered.code;
  language.Apply("");
}

// In Arabic every entry reads from the right: the Arabic name and its mnemonic, then the own
// name in parentheses at the left, laid out as the menu lays out its text.
TEST(LanguageDisplay, ArabicLanguageEntriesReadFromTheRight) {
  test::LocalizedWindow shown;
  shown.language.Apply("jo");
  QMenuBar* bar = shown.window.menuBar();
  for (const LanguageCommand& offered : kLanguageCommands) {
    const QString own = QString::fromUtf8(offered.ownName);
    const QString item = LanguageItem(bar, offered.command);
    QString text = item;
    text.remove(QLatin1Char('&'));
    const int ownAt = text.indexOf(own);
    ASSERT_GE(ownAt, 0) << offered.code;
    if (ownAt == 0) continue;  // Arabic itself: one name
    QTextLayout layout(text, QApplication::font());
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(2000);
    layout.endLayout();
    const auto x = [&line](int at) { return line.cursorToX(at); };
    const int arabicEnd = text.indexOf(QLatin1Char('('));
    const qreal arabicLeft = std::min(x(0), x(arabicEnd));
    const qreal ownRight = std::max(x(ownAt), x(ownAt + static_cast<int>(own.size())));
    EXPECT_LT(ownRight, arabicLeft) << offered.code << ": " << item.toStdString();
  }
  shown.language.Apply("");
}

TEST(LanguageDisplay, TheMapsWordsFollowALanguageSwitch) {
  test::LocalizedWindow shown;
  InterfaceLanguage& language = shown.language;
  MainWindow& window = shown.window;
  const auto words = [&window] {
    const OnlineLayerTexts& texts = window.onlineLayers().texts;
    return QString::fromStdString(texts.scale + "|" + texts.imageDate + "|" + texts.am);
  };
  const QString english = words();
  EXPECT_EQ(english, "Scale:|Image Date:|am");
  language.Apply("de");
  EXPECT_EQ(words(), QString::fromUtf8("Maßstab:|Bilddatum:|vorm."));
  language.Apply("jo");  // by way of English: nothing German is left on the map
  EXPECT_EQ(words(), QString::fromUtf8("المقياس:|تاريخ الصورة:|ص"));
  language.Apply("");
  EXPECT_EQ(words(), english);
}

TEST(LanguageDisplay, AboutAndUpgradeSpeakTheInterfaceLanguage) {
  Localizer localizer(ParseStringTable(resources::StringTableText()));
  InterfaceLanguage language(&localizer, {MERIDIANA_STAGE_DIR});
  const TextLookup local = [&language](int id) { return language.Text(id); };
  const std::string sources = MERIDIANA_SOURCE_DIR "/data/SOURCES.md";
  const std::vector<QString> pages = {AboutHtml(sources, local), UpgradeHtml(std::nullopt, local),
                                      UpgradeHtml("999.0", local), UpgradeHtml("0.0.1", local)};
  // In English, each page says what it always said.
  const QString about = pages[0];
  EXPECT_TRUE(about.contains("<p>A world clock on a live map of the Earth.</p>"));
  EXPECT_TRUE(about.contains("<h3>Data and artwork</h3>"));
  EXPECT_TRUE(pages[2].contains("<p>Version 999.0 is available; this copy is"));
  EXPECT_TRUE(
      pages[3].contains("from the source with <tt>cmake --build</tt> and "
                        "<tt>cmake --install</tt>."));
  EXPECT_TRUE(pages[3].contains("distribution's packages"));
  // In German none of the program's English sentences is left, and the values are in place.
  language.Apply("de");
  const std::vector<QString> german = {AboutHtml(sources, local), UpgradeHtml(std::nullopt, local),
                                       UpgradeHtml("999.0", local), UpgradeHtml("0.0.1", local)};
  for (int id = 1506; id <= 1515; ++id) {
    QString english = EnglishText(id);
    english.truncate(english.indexOf("%s") >= 0 ? english.indexOf("%s") : english.size());
    if (english.size() < 10) continue;  // "Version " and the like are the same words
    for (const QString& page : german)
      EXPECT_FALSE(page.contains(english.toHtmlEscaped())) << id << ": " << ToUtf8(english);
  }
  EXPECT_TRUE(german[0].contains(QString::fromUtf8("Eine Weltzeituhr")));
  EXPECT_TRUE(german[2].contains("Version 999.0 ist verf"));
  EXPECT_TRUE(
      german[3].contains(QString::fromUtf8("mit <tt>cmake --build</tt> und "
                                           "<tt>cmake --install</tt>")));
  language.Apply("");
}

}  // namespace
}  // namespace meridiana
