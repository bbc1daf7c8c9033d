// Home in the window: the read-out's distance and bearing from home in the locale's unit,
// Properties' line, Make Home and the Options page's field writing the setting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <cmath>

#include "foundation/localized_strings.h"
#include "map/map_geometry.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/main_window.h"
#include "shell/window/map_context_menu.h"
#include "shell/window/status_bar.h"
#include "support/shipped_world.h"
#include "support/temp_dir.h"
#include "world/city_search.h"

namespace meridiana {
namespace {

// The reference: kilometres along the great circle of a sphere of the Earth's mean radius, within
// 0.5 % of the ellipsoid's geodesic; "51.51° N" read as a signed number.
double SphereKm(double lat1, double lon1, double lat2, double lon2) {
  const double r = M_PI / 180;
  const double h =
      std::pow(std::sin((lat2 - lat1) * r / 2), 2) +
      std::cos(lat1 * r) * std::cos(lat2 * r) * std::pow(std::sin((lon2 - lon1) * r / 2), 2);
  return 2 * 6371.0088 * std::asin(std::sqrt(h));
}
double Degrees(const QString& part) {
  const double value = part.section(QChar(0xB0), 0, 0).toDouble();
  return part.endsWith('S') || part.endsWith('W') ? -value : value;
}

class HomeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    MainWindow::Context context;
    context.settings = &settings;
    context.world = &world;
    context.language = &language;
    window = std::make_unique<MainWindow>(std::move(context));
    window->resize(1100, 700);
    window->show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
  // The read-out at a place, and the kilometres its text gives and the reference from home.
  QString PointAt(double latitude, double longitude, const char* home, double* km, double* ref) {
    const MapPoint p = BaseToView(window->mapView(), BaseMapPixel(longitude, latitude));
    window->ShowPointerReadOut(QPoint(p.x, p.y));
    const PartStatusBar& bar = *window->statusBar();
    const QString text = bar.partText(5);
    QString digits = text.section(' ', 0, 0);
    digits.remove(QRegularExpression("[^0-9]"));
    *km = digits.toDouble() * (text.contains(" mi ") ? 1.609344 : 1);
    const City& from = Named(home);
    *ref =
        SphereKm(from.latitude, from.longitude, Degrees(bar.partText(1)), Degrees(bar.partText(2)));
    return text;
  }
  const City& Named(std::string_view name) const { return *ResolveCityName(world, name).city; }

  ScopedEnv zone{"TZ", "Asia/Tokyo"};  // the computer's city, home while none is set
  WorldData world = test::ShippedWorld();
  Settings settings;
  Localizer localizer{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language{&localizer, {}};
  std::unique_ptr<MainWindow> window;
};

// Another continent under the pointer: the distance from home within the sphere's half percent,
// miles where the locale is imperial, its thousands separator, the compass point.
TEST_F(HomeWindowTest, ReadOutMeasuresFromHomeInTheLocalesUnit) {
  const struct {
    const char* setting;
    const char* home;
    QLocale locale;
    double latitude, longitude;
    const char* shown;  // the text but for its digits
  } rows[] = {
      {"London", "London", QLocale(QLocale::German), 35.7, 139.7, "#.### km ##° NE"},
      {"london", "London", QLocale(QLocale::English, QLocale::UnitedStates), -33.9, 151.2,
       "##,### mi ##° NE"},
      {"", "Tokyo", QLocale(QLocale::English, QLocale::UnitedKingdom), 40.7, -74.0,
       "#,### mi ##° NE"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown);
    QLocale::setDefault(row.locale);
    settings.home = row.setting;
    double km = 0, ref = 0;
    QString text = PointAt(row.latitude, row.longitude, row.home, &km, &ref);
    EXPECT_NEAR(km, ref, ref * 0.005 + 2) << text.toStdString();
    EXPECT_EQ(text.replace(QRegularExpression("[0-9]"), "#").toStdString(), row.shown);
  }
  emit window->mapArea()->pointerLeft();
  EXPECT_EQ(window->statusBar()->partText(5), "");
}

// Make Home writes the setting and what measures from home follows at once; Properties has no
// distance for home itself.
TEST_F(HomeWindowTest, MakeHomeWritesTheSettingAndPropertiesFollows) {
  ASSERT_TRUE(window->OnCommand(ids::kCmdProperties));
  PropertiesDialog* properties = window->properties();
  ASSERT_NE(properties, nullptr);
  const City* shown = properties->city();
  EXPECT_TRUE(properties->FieldText(1626).contains(" km ")) << "from Tokyo";
  window->mapView().menuCities = {static_cast<int>(shown - world.cities.data()),
                                  static_cast<int>(&Named("Paris") - world.cities.data())};
  ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand));
  EXPECT_EQ(ResolveCityName(world, settings.home).city, shown) << settings.home;
  EXPECT_TRUE(settings.homeStored);
  EXPECT_EQ(properties->FieldText(1626), "");
  ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand + 1));
  EXPECT_EQ(settings.home, "Paris");
  double km = 0, ref = 0;
  EXPECT_TRUE(PointAt(51.5, -0.1, "Paris", &km, &ref).endsWith(" NW"));
  EXPECT_NEAR(km, ref, 3);
}

// The Options page's Home: a name that finds no city is refused with the line saying so and the
// dialog stays; a city is kept by its name; empty goes back to the computer's city.
TEST_F(HomeWindowTest, OptionsPageFieldRefusesWhatNamesNoCity) {
  const struct {
    const char* typed;
    bool refused;
    const char* kept;
  } rows[] = {{"Atlantis", true, ""}, {"  paris ", false, "Paris"}, {"", false, ""}};
  for (const auto& row : rows) {
    bool stayed = false;
    QString reason;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      dialog->findChild<QLineEdit*>("control1929")->setText(row.typed);
      dialog->findChild<QPushButton*>("control1")->click();
      stayed = dialog->isVisible();
      reason = dialog->findChild<QLabel*>("noCityMatches")->isVisible()
                   ? dialog->findChild<QLabel*>("noCityMatches")->text()
                   : QString();
      if (stayed) dialog->findChild<QPushButton*>("control2")->click();
    });
    window->OnCommand(ids::kCmdSettings);
    EXPECT_EQ(stayed, row.refused) << row.typed;
    EXPECT_EQ(reason, row.refused ? QStringLiteral("No city matches “Atlantis”.") : QString());
    EXPECT_EQ(settings.home, row.kept) << row.typed;
  }
  EXPECT_TRUE(settings.homeStored);
}

}  // namespace
}  // namespace meridiana
