// The window's online layers against a service of the test's own: the Earthquakes command
// fetches once and draws what came, Clouds fetches the list and then the newest frame, Play and
// Stop drive the animation, and the service's error text is shown as it stands.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTextBrowser>
#include <QToolBar>
#include <fstream>
#include <sstream>

#include "foundation/memory_key_value_store.h"
#include "map/base_images.h"
#include "online/cloud_service.h"
#include "online/quake_feed.h"
#include "online/scripted_server.h"
#include "qt_test_app.h"
#include "shell/app/ids.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/app/settings_store.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

std::string FixtureJpeg() {
  std::ifstream in(std::string(MERIDIANA_SOURCE_DIR) + "/tests/fixtures/images/jpeg_rgb.jpg",
                   std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class OnlineLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.path()));
    mkdir("cache", 0755);
  }
  void TearDown() override {
    window.reset();
    QDir::setCurrent(previous);
  }
  MainWindow& Open(const test::ScriptedServer& service) {
    store.Write(Hive::LocalMachine, kAppKey, "service",
                "http://127.0.0.1:" + std::to_string(service.Port()));
    MainWindow::Context context;
    context.settings = &settings;
    context.store = &store;
    context.notice = &notice;
    context.frames = &frames;
    window = std::make_unique<MainWindow>(std::move(context));
    window->Open();
    return *window;
  }
  bool Idle() {
    return test::PumpUntil([&] { return window->httpClient()->Idle(); });
  }

  ScopedEnv httpProxy{"http_proxy", ""};  // direct, whatever the desktop says
  ScopedEnv upperHttpProxy{"HTTP_PROXY", nullptr};
  ScopedEnv allProxy{"all_proxy", nullptr};
  ScopedEnv upperAllProxy{"ALL_PROXY", nullptr};
  TempDir folder;
  QString previous;
  Settings settings;
  MemoryKeyValueStore store;
  RecordingNotice notice;
  std::vector<SavedFrame> frames;
  std::unique_ptr<MainWindow> window;
};

test::Conversation Reply(const std::string& body) {
  return {{{test::Exchange::kHeader, "HTTP/1.0 200 OK\r\n\r\n" + body}}};
}

TEST_F(OnlineLayersTest, EarthquakesAreFetchedOnceAndDrawn) {
  test::ScriptedServer service([](int n) {
    return Reply(n == 0 ? "<?xml version=\"1.0\"?><QUAKES><QUAKE lat=1 lon=2 m=3/><QUAKE lat=4 "
                          "lon=5 m=6/><QUAKE lat=7 lon=8 m=9/></QUAKES>"
                        : "");
  });
  MainWindow& main = Open(service);
  EXPECT_TRUE(main.OnCommand(ids::kCmdEarthquakes));
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(main.onlineLayers().earthquakes);
  ASSERT_EQ(main.onlineLayers().quakes.size(), 3u);
  EXPECT_FLOAT_EQ(main.onlineLayers().quakes[2].magnitude, 9.0f);
  EXPECT_EQ(main.statusBar()->partText(0), "3 earthquake events recorded in the past 7 days");
  EXPECT_EQ(service.Received().at(0).substr(0, 25), "GET /earthquake.cgi HTTP/");
  // Off and on again: the list is held, nothing more is fetched.
  main.OnCommand(ids::kCmdEarthquakes);
  main.OnCommand(ids::kCmdEarthquakes);
  ASSERT_TRUE(Idle());
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST_F(OnlineLayersTest, CloudsFetchTheListThenTheNewestFrameAndPlay) {
  const std::string list =
      "<?xml version=\"1.0\"?><IMAGES><IMAGE m=\"a\" t=\"2005061514\" s=\"1\" q=\"2\"/>"
      "<IMAGE m=\"a\" t=\"2005061511\" s=\"1\" q=\"2\"/></IMAGES>";
  const std::string jpeg = FixtureJpeg();
  test::ScriptedServer service([&](int n) {
    if (n == 0) return Reply(list);
    if (n == 1) return Reply(jpeg);
    return Reply("<?xml version=\"1.0\"?><ERROR n=\"1\">Service %s closed &amp; gone</ERROR>");
  });
  MainWindow& main = Open(service);
  settings.info = 1;
  EXPECT_TRUE(main.OnCommand(ids::kCmdClouds));
  // The frame is on the map once the window has taken the posted refresh.
  ASSERT_TRUE(test::PumpUntil([&] { return !main.onlineLayers().cloudTime.empty(); }));
  EXPECT_NE(service.Received().at(1).find("&f=1&t=2005061514 HTTP/1.0"), std::string::npos);
  EXPECT_NE(main.images().cloud(), nullptr);
  EXPECT_EQ(main.onlineLayers().cloudTime, "2005061514");
  EXPECT_TRUE(main.onlineLayers().clouds);
  ASSERT_EQ(frames.size(), 2u);  // what config.ini will keep
  EXPECT_EQ(frames[0].third, "2005061514");
  EXPECT_EQ(frames[0].first, main.clouds()->CachePath("2005061514"));

  EXPECT_TRUE(main.OnCommand(ids::kCmdPlay));
  EXPECT_TRUE(main.timer(ids::kTimerAnimation) != nullptr);
  EXPECT_TRUE(main.OnCommand(ids::kCmdStop));
  EXPECT_EQ(main.timer(ids::kTimerAnimation), nullptr);
  EXPECT_EQ(main.clouds()->current(), 0);
  const auto enabled = [&](int command) {
    for (QAction* action : main.toolbar()->actions())
      if (action->data().toInt() == command) return action->isEnabled();
    return false;
  };
  EXPECT_FALSE(enabled(ids::kCmdNext));  // nothing newer than slot 0
  EXPECT_TRUE(enabled(ids::kCmdPrevious));
  EXPECT_TRUE(enabled(ids::kCmdPlay));
  EXPECT_FALSE(enabled(ids::kCmdStop));

  // Slot 1 is not cached: its reply is the service's error, shown as written.
  EXPECT_TRUE(main.OnCommand(ids::kCmdPrevious));
  ASSERT_TRUE(Idle());
  ASSERT_FALSE(notice.messages().empty());
  EXPECT_EQ(notice.messages().back().text, "Service %s closed & gone");
  EXPECT_EQ(notice.messages().back().caption, "Error");
}

TEST_F(OnlineLayersTest, TheWindowCanGoWhileATransferRuns) {
  test::ScriptedServer holding([](int) {
    return test::Conversation{{{test::Exchange::kHeader, "HTTP/1.0 200 OK\r\n"}}, true};
  });
  MainWindow& main = Open(holding);
  main.OnCommand(ids::kCmdClouds);
  ASSERT_TRUE(test::PumpUntil([&] { return !holding.Received().empty(); }));
  ASSERT_FALSE(main.httpClient()->Idle());
  window.reset();  // the transfer's callback ends with the feeds it belongs to still there
}

TEST_F(OnlineLayersTest, UpgradeSaysWhatTheServiceNames) {
  test::ScriptedServer service([](int) { return Reply("99.0.1\n"); });
  MainWindow& main = Open(service);
  const auto upgradeText = [] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->windowTitle() == "Upgrade" && widget->isVisible())
        for (QTextBrowser* text : widget->findChildren<QTextBrowser*>()) return text->toPlainText();
    return QString();
  };
  EXPECT_TRUE(main.OnCommand(ids::kCmdUpgrade));
  ASSERT_TRUE(test::PumpUntil([&] { return !upgradeText().isEmpty(); }));
  EXPECT_TRUE(upgradeText().contains("Version 99.0.1 is available")) << ToUtf8(upgradeText());
  EXPECT_EQ(service.Received().at(0).substr(0, 21), "GET /version.txt HTTP");
}

}  // namespace
}  // namespace meridiana
