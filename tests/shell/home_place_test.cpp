// Home in the window: the read-out's distance and bearing from home in the locale's unit,
// Properties' line, and Make Home writing the setting.
#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>
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
#include "support/great_circle.h"
#include "support/shipped_world.h"
#include "support/temp_dir.h"
#include "world/city_search.h"

namespace meridiana {
namespace {

// The reference: kilometres along the great circle of a sphere of the Earth's mean radius, within
// 0.5 % of the ellipsoid's geodesic; "51.51° N" read as a signed number.
double SphereKm(double lat1, double lon1, double lat2, double lon2) {
  return test::GreatCircleDegrees(lat1, lon1, lat2, lon2) * M_PI / 180 * 6371.0088;
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

// Home made from the context menu is kept in the setting; another continent under the pointer
// reads the distance from it within the sphere's half percent, in miles where the locale is
// imperial, with its thousands separator and the compass point; Properties shows the distance
// for any city but home.
TEST_F(HomeWindowTest, ReadOutAndPropertiesMeasureFromHome) {
  const struct {
    const char* home;  // made home from the menu; null: none set, the computer's city
    QLocale locale;
    double latitude, longitude;
    const char* shown;  // the text but for its digits
  } rows[] = {
      {nullptr, QLocale(QLocale::English, QLocale::UnitedKingdom), 40.7, -74.0, "#,### mi ##° NE"},
      {"London", QLocale(QLocale::German), 35.7, 139.7, "#.### km ##° NE"},
      {"London", QLocale(QLocale::English, QLocale::UnitedStates), -33.9, 151.2,
       "##,### mi ##° NE"},
      {"Paris", QLocale(QLocale::English, QLocale::Ireland), 51.5, -0.1, "### km ###° NW"},
  };
  ASSERT_TRUE(window->OnCommand(ids::kCmdProperties));  // the city nearest the map's corner
  PropertiesDialog* properties = window->properties();
  ASSERT_NE(properties, nullptr);
  for (const auto& row : rows) {
    const char* home = row.home != nullptr ? row.home : "Tokyo";
    SCOPED_TRACE(home);
    QLocale::setDefault(row.locale);
    if (row.home != nullptr) {
      window->mapView().menuCities[3] = static_cast<int>(&Named(home) - world.cities.data());
      ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand + 3));
      EXPECT_EQ(settings.home, home);
    }
    EXPECT_EQ(settings.homeStored, row.home != nullptr);
    double km = 0, ref = 0;
    QString text = PointAt(row.latitude, row.longitude, home, &km, &ref);
    EXPECT_NEAR(km, ref, ref * 0.005 + 2) << text.toStdString();
    EXPECT_EQ(text.replace(QRegularExpression("[0-9]"), "#").toStdString(), row.shown);
    EXPECT_TRUE(properties->FieldText(1626).contains(QRegularExpression("^[0-9,.]+ (km|mi) ")));
  }
  window->mapView().menuCities[0] = static_cast<int>(properties->city() - world.cities.data());
  ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand));
  EXPECT_EQ(properties->FieldText(1626), "");  // home itself
  emit window->mapArea()->pointerLeft();
  EXPECT_EQ(window->statusBar()->partText(5), "");
}

}  // namespace
}  // namespace meridiana
