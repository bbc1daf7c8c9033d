#include "shell/dialogs/dialog_controls.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "foundation/localized_strings.h"
#include "qt_test_app.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"
#include "shell/app/interface_language.h"
#include "shell/app/data_paths.h"
#include "shell/dialogs/about_box.h"
#include "shell/window/main_window.h"
#include "shell/window/toolbar_buttons.h"

namespace meridiana {
namespace {

TEST(DialogControls, PagesTreeAndToolbarButtons) {
  Localizer localizer(ParseStringTable("1409\tOptions\n1410\tSettings\n"));
  localizer.LoadLanguageText(
      "E=Options\nT=Optionen\n<8004\nE=Browser:\nT=Browser:\nE=Loop\nT=Schleife\n");
  InterfaceLanguage language(&localizer, {});
  QWidget owner;
  QTabWidget* tabs =
      CreatePages(&owner,
                  {{4310, 1409, [](QWidget* page) { new QLabel("Wallpaper width:", page); }},
                   {8004, 1410, [](QWidget* page) { new QLabel("Loop", page); }}},
                  &language);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Optionen");
  EXPECT_EQ(tabs->tabText(1), "Settings");  // no translation: English
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(tabs->widget(1)->objectName(), "dialog8004");
  EXPECT_EQ(tabs->widget(1)->findChild<QLabel*>()->text(), "Schleife");  // the page's own id
  EXPECT_EQ(tabs->widget(0)->findChild<QLabel*>()->text(), "Wallpaper width:");

  int selected = -1;
  DataTree tree([&](int data) { selected = data; });
  QTreeWidgetItem* top = tree.AddItem(nullptr, "Options", 4310);
  QTreeWidgetItem* child = tree.AddItem(top, "Proxy", 4318);
  tree.setCurrentItem(child);
  EXPECT_EQ(selected, 4318);

  QToolBar bar;
  QAction* shadow = bar.addAction("Shadow");
  shadow->setData(40016);
  bar.addSeparator();
  CheckToolbarButton(&bar, 40016, true);
  EnableToolbarButton(&bar, 40016, false);
  EXPECT_TRUE(shadow->isChecked());
  EXPECT_FALSE(shadow->isEnabled());

  QMenu menu;
  QMenu* view = menu.addMenu("View");
  QAction* grid = view->addAction("Grid");
  grid->setData(40018);
  SetMenuCheck(&menu, 40018, true);  // found in the submenu
  EXPECT_TRUE(grid->isChecked());
  SetMenuCheck(&menu, 40018, false);
  EXPECT_FALSE(grid->isChecked());
}

TEST(DialogControls, PopupMenuFromTheResourcesWithAPrepareStep) {
  Localizer localizer;
  InterfaceLanguage language(&localizer, {});
  int chosen = 0;
  QTimer::singleShot(50, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions())
      if (action->data().toInt() == 414) menu->setActiveAction(action);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(menu, &enter);
  });
  bool prepared = false;
  const int command = language.PopupMenu(
      1009, QPoint(10, 10), [&](QMenu* menu) { prepared = !menu->actions().isEmpty(); },
      [&](int c) { chosen = c; });
  EXPECT_TRUE(prepared);
  EXPECT_EQ(command, 414);  // Quit, from the tray menu
  EXPECT_EQ(chosen, 414);
}

TEST(AboutBox, CarriesTheVersionLicenceAndEveryAttribution) {
  const QString html = AboutHtml(MERIDIANA_SOURCE_DIR "/data/SOURCES.md");
  EXPECT_TRUE(html.contains("Quillary Meridiana 0.1.0"));
  EXPECT_TRUE(html.contains("GNU General Public License"));
  EXPECT_TRUE(html.contains("Memory in use"));
  // The data licences require their attribution texts to be shown.
  for (const char* needle : {"GeoNames", "Open Database License", "NASA Visible Earth",
                             "IANA Time Zone Database", "libphonenumber", "Breeze", "flag-icons"})
    EXPECT_TRUE(html.contains(needle)) << needle;
  // The sources file quotes inside quotes with Markdown's \"; the page shows the quote alone.
  EXPECT_FALSE(html.contains('\\'));
  EXPECT_TRUE(html.contains("&quot;all earthquakes, past week&quot;"));
  // The live sources are named whether or not the data's sources file is there.
  const QString bare = AboutHtml("/nonexistent/SOURCES.md");
  EXPECT_FALSE(bare.contains("Data and artwork"));
  for (const QString& page : {html, bare}) {
    EXPECT_TRUE(page.contains("Earthquake data: U.S. Geological Survey (USGS), public domain"));
    EXPECT_TRUE(page.contains("Contains modified EUMETSAT data", Qt::CaseInsensitive));
    EXPECT_EQ(page.count("EUMETView"), 1) << "each credit once";
  }
  // The manual opens from the staged data with its pictures beside it.
  QWidget* manual = ShowRichTextFile(nullptr, "Manual", MERIDIANA_STAGE_DIR "/manual/manual.html");
  ASSERT_NE(manual, nullptr);
  manual->close();
  EXPECT_EQ(ShowRichTextFile(nullptr, "Manual", "/nonexistent/manual.html"), nullptr);
  // Each window has a button that closes it, in the language given.
  QPointer<QWidget> shown = ShowRichText(nullptr, "About", html, "Schließen");
  EXPECT_EQ(shown->windowTitle(), "About");
  auto* close = shown->findChild<QPushButton*>("close");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), "Schließen");
  close->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(shown.isNull());
}

// Help, Manual on a copy without the manual: a message that says where it would be, no window.
TEST(AboutBox, ManualMissingIsSaidNotIgnored) {
  TempDir user;
  TempDir data;
  const DataPaths paths(user.path(), data.path());
  RecordingNotice notice;
  MainWindow::Context context;
  context.dataPaths = &paths;
  context.notice = &notice;
  MainWindow window(std::move(context));
  EXPECT_TRUE(window.OnCommand(106));
  ASSERT_EQ(notice.messages().size(), 1u);
  EXPECT_NE(notice.messages()[0].text.find("No manual is installed"), std::string::npos);
  EXPECT_NE(notice.messages()[0].text.find(data.path() + "/manual/manual.html"), std::string::npos);
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_FALSE(widget->isVisible() && widget->windowTitle() == "Manual");
}

}  // namespace
}  // namespace meridiana
