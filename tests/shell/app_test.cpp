#include "shell/app.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <climits>
#include <csignal>
#include <fstream>

#include "foundation/memory_key_value_store.h"
#include "online/http_client.h"
#include "online/scripted_server.h"
#include "qt_test_app.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/menu_icons.h"
#include "shell/app/qt_user_notice.h"
#include "shell/dialogs/dialog_geometry.h"
#include "shell/window/main_window.h"
#include "shell/window/map_area.h"
#include "shell/window/status_bar.h"
#include "shell/window/toolbar_table.h"
#include "shell/window/tray_icon.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"
#include "world/packed_data_file.h"

namespace meridiana {
namespace {

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    ASSERT_TRUE(root_.isValid());
    char cwd[PATH_MAX];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    savedCwd_ = cwd;
    QDir(root_.path()).mkpath("data");
  }
  void TearDown() override { ASSERT_EQ(::chdir(savedCwd_.c_str()), 0); }

  std::string UserFolder() const { return root_.path().toStdString() + "/user"; }
  std::string DataFolder() const { return root_.path().toStdString() + "/data"; }

  AppEnvironment Environment() {
    AppEnvironment env;
    env.instanceServerPath = root_.path() + "/Meridiana2";
    env.userFolder = UserFolder();
    env.dataFolder = DataFolder();
    env.executablePath = "/opt/meridiana/meridiana";
    env.store = &store_;
    env.notice = &notice_;
    return env;
  }

  static void WritePacked(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << PackData(text);
  }

  // Runs the event loop until the program ends it; fails the test instead of hanging.
  static int ExecWithTimeout(App& app) {
    // Stopped with the test: a deadline left behind would end a later test's loop.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    deadline.start(10000);
    return app.Exec();
  }

  QTemporaryDir root_;
  std::string savedCwd_;
  MemoryKeyValueStore store_;
  RecordingNotice notice_;
};

TEST_F(AppTest, StartsInOrderAndShutsDownInOrder) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  const std::vector<std::string> startup = {"AcquireSingleInstance",
                                            "InitializePlatform",
                                            "EnterUserFolder",
                                            "StartFramework",
                                            "SetAppKey",
                                            "ClearAnimationFrames",
                                            "PrepareRuntime",
                                            "BuildMenuIconList",
                                            "LoadCities",
                                            "LoadZones",
                                            "LoadDstRules",
                                            "LoadAreaCodes",
                                            "LoadSettings",
                                            "CreateMainWindow",
                                            "OpenMainWindow"};
  EXPECT_EQ(app.steps(), startup);

  app.mainWindow()->OnCommand(414);
  EXPECT_EQ(ExecWithTimeout(app), 0);
  std::vector<std::string> all = startup;
  for (const char* step : {"SaveSettings", "ReleaseImages", "ReleaseAnimationFrames",
                           "ReleaseCityZoneAndAreaCodeLists", "ReleaseQuakeList",
                           "ReleaseMainWindow", "ReleaseDstRules", "ShutdownFramework",
                           "ReleaseFormatBuffers", "ReleaseKeyPaths", "ReleaseSingleInstance"}) {
    all.emplace_back(step);
  }
  EXPECT_EQ(app.steps(), all);
  EXPECT_EQ(app.mainWindow(), nullptr);
  EXPECT_EQ(app.instanceGuard(), nullptr);
}

TEST_F(AppTest, WorksInUserFolderWithCache) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  char cwd[PATH_MAX];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(QFileInfo(cwd).canonicalFilePath(),
            QFileInfo(QString::fromStdString(UserFolder())).canonicalFilePath());
  EXPECT_TRUE(QFileInfo(QString::fromStdString(UserFolder() + "/cache")).isDir());
  EXPECT_EQ(app.baseName(), "meridiana");
}

TEST_F(AppTest, MissingDataFilesDoNotStopStartup) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  const std::vector<RecordingNotice::Message> expected = {
      {"Error", "Unable to load file 'location.dat'"},
      {"Error", "Unable to load file 'tz_data.dat'"},
      {"Error", "Unable to load file 'tz_dst.dat'"},
      {"Error", "Unable to load file 'areacode.dat'"}};
  EXPECT_EQ(notice_.messages(), expected);
  ASSERT_NE(app.mainWindow(), nullptr);
  EXPECT_TRUE(app.mainWindow()->isVisible());
}

TEST_F(AppTest, TablesComeFromUserFolderBeforeInstalledFolder) {
  WritePacked(DataFolder() + "/location.dat", "Europe/Paris\t48.85\t2.35\tParis\r\n");
  WritePacked(DataFolder() + "/tz_dst.dat", "");
  QDir().mkpath(QString::fromStdString(UserFolder()));
  WritePacked(UserFolder() + "/location.dat",
              "Europe/Berlin\t52.52\t13.40\tBerlin\r\nEurope/Rome\t41.90\t12.50\tRome\r\n");
  App app(Environment());
  ASSERT_TRUE(app.Start());
  ASSERT_EQ(app.world().cities.size(), 2u);
  EXPECT_EQ(app.world().cities[0].name, "Berlin");
  // The installed rules were found; only the two tables present nowhere were reported.
  ASSERT_EQ(notice_.messages().size(), 2u);
  EXPECT_EQ(notice_.messages()[0].text, "Unable to load file 'tz_data.dat'");
  EXPECT_EQ(notice_.messages()[1].text, "Unable to load file 'areacode.dat'");
}

TEST_F(AppTest, RefreshPeriodZeroBecomesTen) {
  for (auto [stored, expected] : {std::pair{"0", 10}, std::pair{"7", 7}, std::pair{"x", 10}}) {
    store_.Write(Hive::CurrentUser, kAppKey, "refresh", stored);
    App app(Environment());
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.settings().refresh, expected) << "stored " << stored;
  }
}

TEST_F(AppTest, FirstStartMarksTheInstalledCitiesAndTheHostZonesCity) {
  WritePacked(DataFolder() + "/location.dat",
              "London\t51.5\t-0.13\tLondon (England)\r\nTokyo\t35.7\t139.7\tTokyo\r\n"
              "Berlin\t52.52\t13.40\tBerlin\r\nBerlin\t48.14\t11.58\tMunich\r\n");
  WritePacked(DataFolder() + "/tz_data.dat",
              "h\nGermany\t52.5\t13.4\tEurope/Berlin\tDE\t1\tEU\t\r\n");
  std::ofstream(DataFolder() + "/default-config.ini") << "M=London ,0\nM=Tokyo,139\n";
  ScopedEnv tz("TZ", "Europe/Berlin");
  {
    App app(Environment());
    ASSERT_TRUE(app.Start());
    std::vector<bool> marked;
    for (const City& city : app.world().cities) marked.push_back(city.marked);
    EXPECT_EQ(marked, (std::vector<bool>{true, true, true, false}));
  }
  // Once the user has a config.ini of their own, it alone decides.
  std::ofstream(UserFolder() + "/config.ini") << "M=Munich,11\n";
  App app(Environment());
  ASSERT_TRUE(app.Start());
  std::vector<bool> marked;
  for (const City& city : app.world().cities) marked.push_back(city.marked);
  EXPECT_EQ(marked, (std::vector<bool>{false, false, false, true}));
}

// The bundled service is asked for live data, kept in the user's cache folder, only when the
// setting says so; otherwise it serves its sample as it ships.
TEST_F(AppTest, BundledServiceGetsLiveDataOnlyWhenTheSettingIsOn) {
  const std::string cache = root_.path().toStdString() + "/cache";
  ScopedEnv cacheHome("XDG_CACHE_HOME", cache.c_str());
  const std::vector<std::string> sampleOnly = {"--listen", "127.0.0.1:0"};
  const std::vector<std::string> live = {"--listen", "127.0.0.1:0", "--live", "--data",
                                         cache + "/meridiana/service"};
  struct Case {
    const char* machine;
    const char* user;
    const std::vector<std::string>* arguments;
  };
  for (const Case& c : {Case{nullptr, nullptr, &live}, Case{nullptr, "0", &sampleOnly},
                        Case{"0", "1", &sampleOnly}, Case{"1", "1", &live}}) {
    if (c.machine) store_.Write(Hive::LocalMachine, kAppKey, "live", c.machine);
    if (c.user) store_.Write(Hive::CurrentUser, kAppKey, "live", c.user);
    App app(Environment());
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.embeddedService().arguments(), *c.arguments)
        << (c.machine ? c.machine : "-") << " " << (c.user ? c.user : "-");
    app.Release();
  }
  EXPECT_TRUE(QFileInfo(QString::fromStdString(cache + "/meridiana/service")).isDir());
}

TEST_F(AppTest, ProductCodeComesFromLocalMachineHive) {
  store_.Write(Hive::LocalMachine, kAppKey, "code", "MDFR");
  App app(Environment());
  ASSERT_TRUE(app.Start());
  EXPECT_EQ(app.productCode(), "MDFR");
}

TEST_F(AppTest, SecondStartRaisesFirstAndEnds) {
  App first(Environment());
  ASSERT_TRUE(first.Start());
  MainWindow* window = first.mainWindow();
  window->showMinimized();
  QCoreApplication::processEvents();

  App second(Environment());
  EXPECT_FALSE(second.Start());
  EXPECT_EQ(second.mainWindow(), nullptr);
  EXPECT_EQ(second.steps(), std::vector<std::string>{"AcquireSingleInstance"});

  for (int i = 0; i < 100 && window->isMinimized(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ::usleep(10000);
  }
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(AppTest, QuitSavesGeometryAndNextStartRestoresIt) {
  {
    App app(Environment());
    ASSERT_TRUE(app.Start());
    MainWindow* window = app.mainWindow();
    window->move(40, 30);
    window->resize(700, 420);
    QCoreApplication::processEvents();
    window->OnCommand(414);
    EXPECT_EQ(ExecWithTimeout(app), 0);
  }
  std::optional<WindowRect> saved = LoadDialogGeometry(store_, kDisplayName, 101, 4000, 4000);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->width, 700);
  EXPECT_EQ(saved->height, 420);

  {
    App again(Environment());
    ASSERT_TRUE(again.Start());
    EXPECT_EQ(again.mainWindow()->size(), QSize(700, 420));
  }
  // Kept on a larger screen or at a larger scale: shrunk and moved onto this one.
  SaveDialogGeometry(store_, kDisplayName, 101, {300, 200, 2560, 1520});
  App larger(Environment());
  ASSERT_TRUE(larger.Start());
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect shown = larger.mainWindow()->geometry();
  EXPECT_TRUE(available.contains(shown))
      << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
}

TEST_F(AppTest, MaximisedWindowSavesItsNormalRectangle) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  MainWindow* window = app.mainWindow();
  window->resize(500, 300);
  QCoreApplication::processEvents();
  window->showMaximized();
  QCoreApplication::processEvents();
  window->OnCommand(414);
  EXPECT_EQ(ExecWithTimeout(app), 0);
  std::optional<WindowRect> saved = LoadDialogGeometry(store_, kDisplayName, 101, 4000, 4000);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(QSize(saved->width, saved->height), QSize(500, 300));
}

TEST_F(AppTest, ClosingInWallpaperModeOnlyHides) {
  AppEnvironment env = Environment();
  env.trayAvailable = [] { return true; };
  App app(std::move(env));
  app.settings().wallpaper = 1;
  ASSERT_TRUE(app.Start());
  MainWindow* window = app.mainWindow();
  EXPECT_FALSE(window->close());
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->destroyed());
  EXPECT_EQ(std::count(app.steps().begin(), app.steps().end(), "SaveSettings"), 0);

  // Quit still ends the program.
  window->OnCommand(414);
  EXPECT_EQ(ExecWithTimeout(app), 0);
}

TEST_F(AppTest, WithoutATrayTheWindowIsNeverLost) {
  bool tray = false;
  AppEnvironment env = Environment();
  env.trayAvailable = [&tray] { return tray; };
  App app(std::move(env));
  app.settings().wallpaper = 1;
  ASSERT_TRUE(app.Start());
  MainWindow* window = app.mainWindow();
  ASSERT_NE(window->tray(), nullptr);
  // No tray: closing in wallpaper mode minimises, where the task bar still reaches it.
  EXPECT_FALSE(window->close());
  QCoreApplication::processEvents();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);

  // A tray appears, the window goes to it; the tray goes away: the window comes back.
  tray = true;
  window->tray()->CheckAvailability();
  window->BringToFront();
  window->close();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  tray = false;
  window->tray()->CheckAvailability();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);

  // The tray menu's commands.
  window->OnCommand(40034);
  EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
  window->OnCommand(40033);
  EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
  QStringList trayTexts;
  for (QAction* action : window->tray()->menu()->actions()) trayTexts << action->text();
  EXPECT_TRUE(trayTexts.contains("&Quit")) << trayTexts.join(",").toStdString();
  // Each of them is in the menu bar too, where Clocks opens the list and its check follows it.
  const QList<QAction*> bar = window->menuBar()->findChildren<QAction*>();
  for (QAction* item : window->tray()->menu()->actions()) {
    if (item->isSeparator()) continue;
    const auto same = std::find_if(bar.begin(), bar.end(),
                                   [item](QAction* a) { return a->data() == item->data(); });
    ASSERT_NE(same, bar.end()) << item->text().toStdString() << " is only in the tray";
    if (item->data().toInt() != 40040) continue;
    item->trigger();  // each check follows the list, whichever menu opened or closed it
    EXPECT_TRUE((*same)->isChecked());
    (*same)->trigger();
    EXPECT_FALSE(item->isChecked());
  }
  window->OnCommand(414);
  EXPECT_EQ(ExecWithTimeout(app), 0);
}

TEST_F(AppTest, ClosingOutsideWallpaperModeEndsTheProgram) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  app.mainWindow()->close();
  EXPECT_TRUE(app.mainWindow()->destroyed());
  EXPECT_EQ(ExecWithTimeout(app), 0);
  EXPECT_EQ(std::count(app.steps().begin(), app.steps().end(), "SaveSettings"), 1);
}

TEST_F(AppTest, MainWindowLayout) {
  App app(Environment());
  ASSERT_TRUE(app.Start());
  MainWindow* window = app.mainWindow();
  // The title clock runs from the moment the window opens.
  EXPECT_TRUE(window->windowTitle().startsWith("Quillary Meridiana - "))
      << window->windowTitle().toStdString();
  EXPECT_EQ(window->minimumSize(), QSize(320, 250));
  EXPECT_EQ(window->toolbar()->objectName(), "control1000");
  EXPECT_EQ(window->toolbar()->actions().size(), 23);
  // Every button draws one of the program's own icons, none the blank stand-in.
  for (const ToolbarButton& button : kMainToolbarButtons) {
    if (button.command == 0) continue;
    ASSERT_LT(static_cast<std::size_t>(button.icon), kMenuIconResourceIds.size()) << button.command;
    EXPECT_TRUE(
        QFile::exists(QStringLiteral(":/icons/%1.png").arg(kMenuIconResourceIds[button.icon])))
        << button.command;
  }

  PartStatusBar* bar = window->statusBar();
  ASSERT_EQ(bar->partCount(), 6);
  for (int width : {900, 640, 520}) {
    window->resize(width, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->partRect(1).width(), 80) << width;
    EXPECT_EQ(bar->partRect(2).width(), 80) << width;
    EXPECT_EQ(bar->partRect(3).width(), 60) << width;
    EXPECT_EQ(bar->partRect(4).width(), 150) << width;
    EXPECT_EQ(bar->partRect(5).width(), 130) << width;
    EXPECT_EQ(bar->partRect(0).width(), bar->width() - 500) << width;
    EXPECT_EQ(bar->partRect(5).right() + 1, bar->width()) << width;
  }
  // The map lies 2 pixels below the toolbar and ends on the status bar.
  const QRect map(window->mapArea()->mapTo(window, QPoint(0, 0)), window->mapArea()->size());
  const QRect status(bar->mapTo(window, QPoint(0, 0)), bar->size());
  EXPECT_EQ(map.top(), window->toolbar()->geometry().bottom() + 1 + 2);
  EXPECT_EQ(map.bottom() + 1, status.top());
  EXPECT_EQ(map.width(), window->width());
}

}  // namespace
}  // namespace meridiana

namespace meridiana {
namespace {

// A notice whose first box is interrupted by SIGTERM, the way a logout can hit a start-up that
// waits in an error box; it keeps the event loop turning as a modal box would.
class InterruptedNotice : public RecordingNotice {
 public:
  void ShowMessage(std::string_view caption, std::string_view text) override {
    RecordingNotice::ShowMessage(caption, text);
    if (messages().size() != 1) return;
    ::raise(SIGTERM);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
};

TEST_F(AppTest, TerminationDuringStartupEndsThroughQuit) {
  InterruptedNotice notice;
  AppEnvironment env = Environment();
  env.notice = &notice;
  env.handleTerminationSignals = true;
  App app(std::move(env));
  ASSERT_TRUE(app.Start());
  EXPECT_EQ(ExecWithTimeout(app), 0);
  EXPECT_EQ(std::count(app.steps().begin(), app.steps().end(), "SaveSettings"), 1);
}

TEST_F(AppTest, TerminationWhileRunningEndsThroughQuit) {
  AppEnvironment env = Environment();
  env.handleTerminationSignals = true;
  App app(std::move(env));
  ASSERT_TRUE(app.Start());
  QTimer::singleShot(0, [] { ::raise(SIGTERM); });
  EXPECT_EQ(ExecWithTimeout(app), 0);
  EXPECT_EQ(std::count(app.steps().begin(), app.steps().end(), "SaveSettings"), 1);
}

// The service's "Error" box, with boxes that really wait for the user: it opens once the transfer
// is over, never inside its callback, and a SIGTERM while it is open ends the program cleanly.
TEST_F(AppTest, AServiceErrorBoxOpensAfterTheTransferAndTerminationEndsIt) {
  ScopedEnv httpProxy{"http_proxy", ""};  // direct, whatever the desktop says
  ScopedEnv upperHttpProxy{"HTTP_PROXY", nullptr};
  ScopedEnv allProxy{"all_proxy", nullptr};
  ScopedEnv upperAllProxy{"ALL_PROXY", nullptr};
  test::ScriptedServer service([](int) {
    return test::Conversation{{{test::Exchange::kHeader,
                                "HTTP/1.0 200 OK\r\n\r\n<?xml version=\"1.0\"?>"
                                "<ERROR n=\"1\">Closed for the night</ERROR>"}}};
  });
  store_.Write(Hive::LocalMachine, kAppKey, "service", service.Url(""));
  QtUserNotice boxes(QtUserNotice::Mode::Modal);
  boxes.SetSilent(true);  // the test's data folder has no tables: no boxes for those
  AppEnvironment env = Environment();
  env.notice = &boxes;
  env.handleTerminationSignals = true;
  App app(std::move(env));
  ASSERT_TRUE(app.Start());
  boxes.SetSilent(false);

  bool boxSeen = false;
  bool transferOver = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (boxSeen) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible() || box->text() != "Closed for the night") continue;
      boxSeen = true;
      transferOver = app.mainWindow()->httpClient()->Idle();
      ::raise(SIGTERM);
    }
  });
  watch.start(10);
  QTimer::singleShot(0, [&] { app.mainWindow()->OnCommand(ids::kCmdEarthquakes); });
  EXPECT_EQ(ExecWithTimeout(app), 0);
  EXPECT_TRUE(boxSeen);
  EXPECT_TRUE(transferOver);
  EXPECT_EQ(std::count(app.steps().begin(), app.steps().end(), "SaveSettings"), 1);
}

}  // namespace
}  // namespace meridiana
