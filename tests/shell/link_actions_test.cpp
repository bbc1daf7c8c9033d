// The web links opened in a stand-in browser: a script that writes its arguments to a file.
#include "shell/dialogs/link_actions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTest>

#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"
#include "shell/app/app_identity.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

class LinkActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    browser_ = dir_.Write(
        "browser.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\n");
    ::chmod(browser_.c_str(), 0755);
    City city;
    city.name = "Zürich ";
    city.latitude = 47.3667f;
    city.longitude = 8.55f;
    world_.cities.push_back(city);
    store_.Write(Hive::LocalMachine, kAppKey, "hotels", "https://h.example/?q=%CITY%;$(touch x)");
    store_.Write(Hive::LocalMachine, kAppKey, "weather", "https://w.example/%LAT%,%LONG%");
    store_.Write(Hive::LocalMachine, kAppKey, "faq", "manual/manual.html#faq");
    store_.Write(Hive::CurrentUser, kAppKey, "browser", browser_);
    LinkActions::Context context;
    context.store = &store_;
    context.world = &world_;
    context.clock = &clock_;
    context.notice = &notice_;
    context.findDataFile = [this](std::string_view relative) {
      return dir_.path() + "/data/" + std::string(relative);
    };
    links_ = std::make_unique<LinkActions>(std::move(context));
  }
  // The arguments the stand-in browser was started with, once it has run.
  QStringList Opened() {
    QFile file(QString::fromStdString(browser_ + ".args"));
    for (int i = 0; i < 100 && !file.exists(); ++i) QTest::qWait(20);
    QTest::qWait(50);  // written whole by then
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    lines.removeAll(QString());
    file.remove();
    return lines;
  }

  TempDir dir_;
  std::string browser_;
  WorldData world_;
  MemoryKeyValueStore store_;
  FixedClock clock_{UtcFromCalendar(2026, 7, 1, 12, 0, 0)};
  RecordingNotice notice_;
  std::unique_ptr<LinkActions> links_;
};

TEST_F(LinkActionsTest, TheChosenBrowserGetsTheExpandedLinkAsOneArgument) {
  ASSERT_TRUE(links_->OpenLink("hotels", &world_.cities[0]));
  // No shell ever sees the URL: "$(touch x)" stays text.
  EXPECT_EQ(Opened(), QStringList{"https://h.example/?q=Z%C3%BCrich;$(touch x)"});
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.File("x"))));
  // Without a city: the first city of the list.
  ASSERT_TRUE(links_->OpenLink("hotels", nullptr));
  EXPECT_EQ(Opened(), QStringList{"https://h.example/?q=Z%C3%BCrich;$(touch x)"});
  // A missing template does nothing.
  EXPECT_FALSE(links_->OpenLink("books", nullptr));
  EXPECT_TRUE(notice_.messages().empty());
}

TEST_F(LinkActionsTest, FilesComeFromTheDataFolderAndAFailedBrowserIsReported) {
  ASSERT_EQ(::mkdir((dir_.path() + "/data").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir_.path() + "/data/manual").c_str(), 0755), 0);
  dir_.Write("data/manual/manual.html", "<p id=faq>");
  ASSERT_TRUE(links_->OpenLink("faq", nullptr));
  EXPECT_EQ(Opened(), QStringList{QString::fromStdString("file://" + dir_.path() +
                                                         "/data/manual/manual.html#faq")});

  store_.Write(Hive::CurrentUser, kAppKey, "browser", dir_.File("no-such-browser"));
  EXPECT_FALSE(links_->OpenLink("hotels", nullptr));
  ASSERT_EQ(notice_.messages().size(), 1u);
  EXPECT_EQ(notice_.messages()[0].caption, "Browser Error");
  EXPECT_EQ(notice_.messages()[0].text,
            "Unable to open the specified Browser. Please check the preference settings.");
}

TEST_F(LinkActionsTest, TheWeatherWindowShowsTheForecastLinkAndOpensIt) {
  links_->OpenWeather(&world_.cities[0]);
  QDialog* window = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "dialog8003" && widget->isVisible())
      window = qobject_cast<QDialog*>(widget);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Weather Forecast");
  // No page viewer is built in: the window says so instead of loading for ever.
  for (QLabel* label : window->findChildren<QLabel*>())
    EXPECT_FALSE(label->text().contains("Loading")) << label->text().toStdString();
  auto* note = window->findChild<QLabel*>("noViewer");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().contains("web browser"));
  auto* link = window->findChild<QLabel*>("forecastLink");
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->text().contains("https://w.example/47.3667,8.5500"));
  emit link->linkActivated("https://w.example/47.3667,8.5500");
  EXPECT_EQ(Opened(), QStringList{"https://w.example/47.3667,8.5500"});
  window->reject();
}

}  // namespace
}  // namespace meridiana
