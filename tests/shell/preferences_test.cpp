// Preferences: the pages show and read the values as OK reads them, the proxy fields follow the
// type, Cancel changes nothing, and OK hands the proxy to the client, keeps it and restarts the
// shadow refresh.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeWidget>

#include "foundation/memory_key_value_store.h"
#include "online/http_client.h"
#include "online/scripted_server.h"
#include "qt_test_app.h"
#include "shell/app/ids.h"
#include "shell/app/settings.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/window/main_window.h"
#include "shell/window/status_bar.h"
#include "support/shipped_world.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

template <typename Widget>
Widget* Find(QWidget* dialog, int id) {
  return dialog->findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

TEST(Preferences, PagesShowAndReadTheValues) {
  test::QtApp();
  PreferenceValues values;
  values.refresh = 10;
  values.wallpaperWidth = 1280;
  values.info = true;
  values.browser = "/usr/bin/firefox";
  values.proxy.type = kProxySocks5;
  values.proxy.host = "127.0.0.1";
  values.proxy.port = 1080;
  values.proxy.userName = "me";
  values.proxy.password = "secret";
  PreferencesDialog dialog(values, {"/usr/bin/FIREFOX", "/usr/bin/chromium"}, nullptr);

  EXPECT_EQ(Find<QLineEdit>(&dialog, 1918)->text(), "10");
  EXPECT_TRUE(Find<QCheckBox>(&dialog, 1034)->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(&dialog, 1035)->isChecked());
  QComboBox* browsers = Find<QComboBox>(&dialog, 1023);
  ASSERT_EQ(browsers->count(), 2);  // the stored choice first; the same name again is left out
  EXPECT_EQ(browsers->itemText(1), "/usr/bin/chromium");
  EXPECT_TRUE(Find<QPushButton>(&dialog, 7888)->isHidden());
  EXPECT_EQ(Find<QLineEdit>(&dialog, 1787)->echoMode(), QLineEdit::Password);

  auto* tree = Find<QTreeWidget>(&dialog, 1774);
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(2)->text(0), "Proxy/Firewall");
  tree->setCurrentItem(tree->topLevelItem(2));
  EXPECT_EQ(dialog.currentPage(), 2);

  // SOCKS4 has no password: its field is off but keeps its text; None turns user name and
  // password off and leaves the kept host and port open to change or clear.
  QLineEdit* password = Find<QLineEdit>(&dialog, 1787);
  EXPECT_TRUE(password->isEnabled());
  Find<QRadioButton>(&dialog, 1976)->setChecked(true);
  EXPECT_FALSE(password->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(&dialog, 1788)->isEnabled());
  Find<QRadioButton>(&dialog, 1974)->setChecked(true);
  EXPECT_TRUE(Find<QLineEdit>(&dialog, 1788)->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(&dialog, 1786)->isEnabled());
  Find<QRadioButton>(&dialog, 1976)->setChecked(true);

  Find<QLineEdit>(&dialog, 1918)->setText("12 minutes");
  Find<QLineEdit>(&dialog, 1919)->setText("wide");
  const PreferenceValues read = dialog.Read();
  EXPECT_EQ(read.refresh, 12);  // as atoi reads it
  EXPECT_EQ(read.wallpaperWidth, 0);
  EXPECT_EQ(read.proxy.type, kProxySocks4);
  EXPECT_EQ(read.proxy.password, "secret");  // kept, though SOCKS4 does not use it
  EXPECT_EQ(read.browser, "/usr/bin/firefox");
}

// The map-centre list: each choice with its longitude in the field, the computer's own entry only
// when its place is known, and a typed value read the same in any locale.
TEST(Preferences, MapCentreChoices) {
  test::QtApp();
  constexpr int kList = 1922, kField = 1923;
  const struct {
    double center;
    std::optional<double> host;
    int shownChoice;
    const char* shownText;
  } rows[] = {
      {0, std::nullopt, PreferencesDialog::kGreenwich, "0"},
      {180, 13.4, PreferencesDialog::kPacific, "180"},
      {-180, 13.4, PreferencesDialog::kPacific, "180"},
      {13.4, 13.4, PreferencesDialog::kHostLongitude, "13.4"},
      {-73.5, 13.4, PreferencesDialog::kOtherLongitude, "-73.5"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.center);
    PreferenceValues values;
    values.center = row.center;
    values.hostLongitude = row.host;
    PreferencesDialog dialog(values, {}, nullptr);
    auto* list = Find<QComboBox>(&dialog, kList);
    auto* field = Find<QLineEdit>(&dialog, kField);
    EXPECT_EQ(list->currentIndex(), row.shownChoice);
    EXPECT_EQ(field->text(), row.shownText);
    EXPECT_EQ(field->isEnabled(), row.shownChoice == PreferencesDialog::kOtherLongitude);
    EXPECT_EQ(dialog.Read().center,
              row.shownChoice == PreferencesDialog::kPacific ? 180 : row.center);
    // Without a known place the computer's entry cannot be picked.
    const auto* model = qobject_cast<const QStandardItemModel*>(list->model());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->item(PreferencesDialog::kHostLongitude)->isEnabled(), row.host.has_value());
  }
  PreferenceValues values;
  values.hostLongitude = -0.13;
  PreferencesDialog dialog(values, {}, nullptr);
  auto* list = Find<QComboBox>(&dialog, kList);
  auto* field = Find<QLineEdit>(&dialog, kField);
  list->setCurrentIndex(PreferencesDialog::kHostLongitude);
  EXPECT_EQ(field->text(), "-0.13");
  EXPECT_EQ(dialog.ChosenCenter(), -0.13);
  list->setCurrentIndex(PreferencesDialog::kOtherLongitude);
  // Blanks round a typed value are dropped; the rest is read as the command line reads it.
  field->setText(" -73.5 ");
  EXPECT_EQ(dialog.ChosenCenter(), -73.5);
  field->setText("73,5");
  EXPECT_EQ(dialog.ChosenCenter(), std::nullopt);
}

class PreferencesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    settings.refresh = 10;
    MainWindow::Context context;
    context.settings = &settings;
    context.store = &store;
    context.world = &world;
    context.serviceSettingsChanged = [this] { ++serviceRestarts; };
    window = std::make_unique<MainWindow>(std::move(context));
    window->Open();
    // The start-up proxy hand-over waits for the first map; a call queued after it has run
    // when the hand-over has. A loaded machine may take long for that first map.
    bool handedOver = false;
    window->AfterFirstMap([&handedOver] { handedOver = true; });
    ASSERT_TRUE(test::PumpUntil([&handedOver] { return handedOver; }, 10000));
  }
  // Runs the Settings command; `edit` changes the open dialog, then OK or Cancel.
  void RunDialog(const std::function<void(QWidget*)>& edit, bool ok) {
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      edit(dialog);
      Find<QPushButton>(dialog, ok ? 1 : 2)->click();
    });
    window->OnCommand(ids::kCmdSettings);
  }

  ScopedEnv httpProxy{"http_proxy", ""};
  ScopedEnv allProxy{"all_proxy", nullptr};
  Settings settings;
  MemoryKeyValueStore store;
  WorldData world = test::ShippedWorld();
  int serviceRestarts = 0;
  std::unique_ptr<MainWindow> window;
};

void EditEverything(QWidget* dialog) {
  Find<QLineEdit>(dialog, 1918)->setText("0");
  Find<QLineEdit>(dialog, 1919)->setText("1600");
  Find<QCheckBox>(dialog, 1035)->setChecked(true);
  Find<QComboBox>(dialog, 1023)->setCurrentText("/opt/browser");
  Find<QRadioButton>(dialog, 1976)->setChecked(true);
  Find<QLineEdit>(dialog, 1788)->setText("127.0.0.1");
  Find<QLineEdit>(dialog, 1789)->setText("1080");
  Find<QLineEdit>(dialog, 1786)->setText("me");
  Find<QLineEdit>(dialog, 1787)->setText("pw");
}

TEST_F(PreferencesWindowTest, CancelChangesNothing) {
  RunDialog(EditEverything, false);
  EXPECT_EQ(settings.refresh, 10);
  EXPECT_EQ(settings.loop, 0);
  EXPECT_EQ(window->wallpaperWidth(), 0);
  EXPECT_EQ(window->httpClient()->ProxyType(), 0);
  EXPECT_FALSE(store.Read(Hive::LocalMachine, kCommonKey, "proxy"));
  EXPECT_FALSE(store.Read(Hive::CurrentUser, kAppKey, "browser"));
  EXPECT_NE(window->timer(ids::kTimerShadowRefresh), nullptr);
}

// Live data is on until the user ticks it off; each change, and only a change, restarts the
// bundled service. The machine's 0 greys the box and OK leaves the choice alone.
TEST_F(PreferencesWindowTest, LiveDataBoxKeepsTheChoiceAndRestartsTheService) {
  constexpr int kLiveBox = 1920;
  bool shown = false;
  RunDialog([&](QWidget* dialog) { shown = Find<QCheckBox>(dialog, kLiveBox)->isChecked(); }, true);
  EXPECT_TRUE(shown);
  EXPECT_EQ(serviceRestarts, 0);
  EXPECT_FALSE(store.Read(Hive::CurrentUser, kAppKey, "live"));

  RunDialog([](QWidget* dialog) { Find<QCheckBox>(dialog, kLiveBox)->setChecked(false); }, false);
  EXPECT_EQ(serviceRestarts, 0);  // Cancel
  RunDialog([](QWidget* dialog) { Find<QCheckBox>(dialog, kLiveBox)->setChecked(false); }, true);
  EXPECT_EQ(store.Read(Hive::CurrentUser, kAppKey, "live"), "0");
  EXPECT_EQ(serviceRestarts, 1);
  RunDialog([&](QWidget* dialog) { shown = Find<QCheckBox>(dialog, kLiveBox)->isChecked(); }, true);
  EXPECT_FALSE(shown);
  EXPECT_EQ(serviceRestarts, 1);

  store.Write(Hive::LocalMachine, kAppKey, "live", "0");
  store.Write(Hive::CurrentUser, kAppKey, "live", "1");
  bool enabled = true;
  RunDialog(
      [&](QWidget* dialog) {
        QCheckBox* box = Find<QCheckBox>(dialog, kLiveBox);
        shown = box->isChecked();
        enabled = box->isEnabled();
      },
      true);
  EXPECT_FALSE(shown);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(store.Read(Hive::CurrentUser, kAppKey, "live"), "1");
  EXPECT_EQ(serviceRestarts, 1);
}

TEST_F(PreferencesWindowTest, OkHandsTheProxyOverKeepsItAndStopsTheRefreshAtZero) {
  RunDialog(EditEverything, true);
  EXPECT_EQ(window->httpClient()->ProxyType(), kProxySocks4);
  EXPECT_EQ(store.Read(Hive::LocalMachine, kCommonKey, "proxy"), "127.0.0.1");
  EXPECT_EQ(store.Read(Hive::LocalMachine, kCommonKey, "type"), "2");
  EXPECT_EQ(store.Read(Hive::LocalMachine, kCommonKey, "password"), "pw");
  EXPECT_EQ(store.Read(Hive::CurrentUser, kAppKey, "browser"), "/opt/browser");
  EXPECT_EQ(settings.refresh, 0);
  EXPECT_EQ(settings.loop, 1);
  EXPECT_EQ(window->wallpaperWidth(), 1600);
  EXPECT_EQ(window->timer(ids::kTimerShadowRefresh), nullptr);
  EXPECT_EQ(serviceRestarts, 1);  // the bundled service takes the new proxy

  RunDialog([](QWidget* dialog) { Find<QLineEdit>(dialog, 1918)->setText("3"); }, true);
  EXPECT_EQ(serviceRestarts, 1);  // the same proxy: left running
  const QTimer* refresh = window->timer(ids::kTimerShadowRefresh);
  ASSERT_NE(refresh, nullptr);
  EXPECT_EQ(refresh->interval(), 3 * 60000);
  EXPECT_EQ(window->httpClient()->ProxyType(), kProxySocks4);  // read back from what was kept
}

// A longitude out of range is refused with a reason and the dialog stays; a good one moves the map
// at once, and the next opening shows it.
TEST_F(PreferencesWindowTest, MapCentreIsCheckedAppliedAndShownAgain) {
  constexpr int kList = 1922, kField = 1923;
  bool stayed = false;
  QString reason;
  RunDialog(
      [&](QWidget* dialog) {
        Find<QComboBox>(dialog, kList)->setCurrentIndex(PreferencesDialog::kOtherLongitude);
        Find<QLineEdit>(dialog, kField)->setText("200");
        Find<QPushButton>(dialog, 1)->click();
        stayed = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
        if (auto* error = dialog->findChild<QLabel*>(QStringLiteral("centerError")))
          reason = error->isVisible() ? error->text() : QString();
        Find<QLineEdit>(dialog, kField)->setText("-73.5");
      },
      true);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(reason.contains("from -180 to 180")) << reason.toStdString();
  EXPECT_EQ(settings.center, -73.5);
  EXPECT_EQ(window->mapView().center, -73.5);
  EXPECT_EQ(window->compositor().center, -73.5);

  int shownChoice = -1;
  QString shownText;
  RunDialog(
      [&](QWidget* dialog) {
        shownChoice = Find<QComboBox>(dialog, kList)->currentIndex();
        shownText = Find<QLineEdit>(dialog, kField)->text();
        Find<QComboBox>(dialog, kList)->setCurrentIndex(PreferencesDialog::kPacific);
      },
      true);
  EXPECT_EQ(shownChoice, PreferencesDialog::kOtherLongitude);
  EXPECT_EQ(shownText, "-73.5");
  EXPECT_EQ(settings.center, 180);
  EXPECT_EQ(window->mapView().center, 180);
  RunDialog([](QWidget* dialog) { Find<QComboBox>(dialog, kList)->setCurrentIndex(0); }, false);
  EXPECT_EQ(settings.center, 180);  // Cancel
}

// The planner's working hours: 9-17 shown at first and not written by an OK that leaves them;
// a change is kept, text that is not "H-H" is not.
TEST_F(PreferencesWindowTest, WorkingHoursForThePlanner) {
  constexpr int kHoursEdit = 1926;
  QString shown;
  RunDialog([&](QWidget* dialog) { shown = Find<QLineEdit>(dialog, kHoursEdit)->text(); }, true);
  EXPECT_EQ(shown.toStdString(), "9-17");
  EXPECT_EQ(settings.planHours, "");
  RunDialog([](QWidget* dialog) { Find<QLineEdit>(dialog, kHoursEdit)->setText("8-18"); }, true);
  EXPECT_EQ(settings.planHours, "8-18");
}

// A value a field cannot take is refused in place: the dialog stays on the field's page with a
// red line under it saying what is wanted, nothing is applied, and a good value then goes through.
TEST_F(PreferencesWindowTest, OkRefusesWhatAFieldCannotTake) {
  const struct {
    int field;
    const char* bad;
    const char* good;
    int page;
    const char* wanted;
  } rows[] = {
      {1918, "abc", "5", 0, "from 0 to 35791"},
      {1918, "35792", "0", 0, "from 0 to 35791"},  // more would overflow the timer
      {1919, "99999999", "800", 0, "from 0 to 16384"},
      {1926, "25-3", "0-24", 0, "H-H"},
      {1929, "Atlantis", " paris ", 0, "No city matches “Atlantis”"},  // the home city
      {1943, "Atlantis", "48.85,2.35", 0, "wallpaper centre must be"},
      {1943, "91,0", "48.85,2.35", 0, "wallpaper centre must be"},
      {1789, "99999", "8080", 2, "from 1 to 65535"},
  };
  for (const auto& row : rows) {
    bool stayed = false;
    int page = -1;
    QString reason;
    RunDialog(
        [&](QWidget* dialog) {
          QLineEdit* field = Find<QLineEdit>(dialog, row.field);
          field->setText(row.bad);
          Find<QPushButton>(dialog, 1)->click();
          stayed = dialog->isVisible();
          page = static_cast<PreferencesDialog*>(dialog)->currentPage();
          const auto* line = dialog->findChild<QLabel*>(field->objectName() + "Error");
          if (line != nullptr && line->isVisible()) reason = line->text();
          field->setText(row.good);
        },
        true);
    EXPECT_TRUE(stayed) << row.bad;
    EXPECT_EQ(page, row.page) << row.bad;
    EXPECT_TRUE(reason.contains(row.wanted)) << row.bad << ": " << reason.toStdString();
  }
  EXPECT_EQ(settings.refresh, 0);
  EXPECT_EQ(window->wallpaperWidth(), 800);
  EXPECT_EQ(settings.planHours, "0-24");
  EXPECT_EQ(settings.wallpaperCenter, "48.85,2.35");
  EXPECT_EQ(settings.wallpaperProjection, "rectangular");
  EXPECT_EQ(store.Read(Hive::LocalMachine, kCommonKey, "port"), "8080");
  EXPECT_EQ(settings.home, "Paris");
}

// "None" connects directly from the next start on, though host and port stay kept (and can be
// edited or cleared) for switching back: the old proxy sees nothing, the server the request.
TEST_F(PreferencesWindowTest, NoneAfterAProxyConnectsDirectlyAfterARestart) {
  test::ScriptedServer oldProxy([](int) { return test::Conversation{}; });
  RunDialog(
      [&](QWidget* dialog) {
        Find<QRadioButton>(dialog, 1975)->setChecked(true);
        Find<QLineEdit>(dialog, 1788)->setText("127.0.0.1");
        Find<QLineEdit>(dialog, 1789)->setText(QString::number(oldProxy.Port()));
      },
      true);
  EXPECT_EQ(window->httpClient()->ProxyType(), kProxyHttp);
  RunDialog([](QWidget* dialog) { Find<QRadioButton>(dialog, 1974)->setChecked(true); }, true);
  EXPECT_EQ(store.Read(Hive::LocalMachine, kCommonKey, "proxy"), "127.0.0.1");

  window.reset();  // a restart
  SetUp();
  HttpClient* client = window->httpClient();
  EXPECT_EQ(client->ProxyType(), kProxyNone);
  test::ScriptedServer origin([](int) {
    return test::Conversation{{{test::Exchange::kHeader, "HTTP/1.0 200 OK\r\n\r\n"}}};
  });
  client->StartRequest(origin.Url("/quakes"), 0, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return client->Idle(); }));
  EXPECT_EQ(origin.Received().size(), 1u);
  EXPECT_TRUE(oldProxy.Received().empty());
}

// The desktop's proxy shows with its type, so OK for another page goes on using it, with its
// exceptions, instead of going direct.
TEST_F(PreferencesWindowTest, OkKeepsTheDesktopsProxyAndItsExceptions) {
  ScopedEnv desktopProxy("http_proxy", "socks5://127.0.0.1:1081");
  ScopedEnv noProxy("no_proxy", "127.0.0.1");
  RunDialog([](QWidget* dialog) { Find<QLineEdit>(dialog, 1918)->setText("5"); }, true);
  HttpClient* client = window->httpClient();
  EXPECT_EQ(client->ProxyType(), kProxySocks5);
  EXPECT_FALSE(store.Read(Hive::LocalMachine, kCommonKey, "proxy"));  // still the desktop's

  test::ScriptedServer near([](int) {
    return test::Conversation{{{test::Exchange::kHeader, "HTTP/1.0 200 OK\r\n\r\n"}}};
  });
  std::uint16_t flags = kHttpFailed;
  client->StartRequest(near.Url("/near"), 0, [&](HttpRequest& request, std::int32_t) {
    flags = request.flags;
    return 0;
  });
  ASSERT_TRUE(test::PumpUntil([&] { return client->Idle(); }));
  EXPECT_EQ(flags, kHttpDone);
  ASSERT_EQ(near.Received().size(), 1u);
  EXPECT_EQ(near.Received()[0].substr(0, 20), "GET /near HTTP/1.0\r\n");
}

TEST_F(PreferencesWindowTest, WallpaperModeOnADesktopWithoutABackEndSaysWhy) {
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", "Hyprland");
  EXPECT_TRUE(window->OnCommand(ids::kCmdWallpaperMode));
  EXPECT_EQ(settings.wallpaper, 0);  // never reported as on
  EXPECT_TRUE(window->statusBar()->partText(0).contains("does not know this desktop"));
}

TEST_F(PreferencesWindowTest, WallpaperValuesTheCommandLineKeptAreNotUndone) {
  window->SyncWallpaperValues();
  EXPECT_EQ(settings.wallpaper, 0);
  // What `meridiana-cli wallpaper on` writes while the window runs.
  store.Write(Hive::CurrentUser, kAppKey, "wallpaper", "1");
  store.Write(Hive::CurrentUser, kAppKey, "wallpaperfile", "set:'file:///home/me/pic.jpg'");
  store.Write(Hive::CurrentUser, kAppKey, "wallpaperstyle", "default");
  window->SyncWallpaperValues();
  EXPECT_EQ(settings.wallpaper, 1);
  EXPECT_EQ(settings.wallpaperFile, "set:'file:///home/me/pic.jpg'");
  EXPECT_EQ(settings.wallpaperStyle, "default");
  // Switching off on a desktop without a back-end fails and keeps them as they are.
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", "Hyprland");
  window->OnCommand(ids::kCmdWallpaperMode);
  EXPECT_EQ(settings.wallpaper, 1);
  EXPECT_EQ(store.Read(Hive::CurrentUser, kAppKey, "wallpaperfile"),
            "set:'file:///home/me/pic.jpg'");
}

}  // namespace
}  // namespace meridiana
