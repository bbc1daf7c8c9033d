// The home city in the window: the status bar's distance and bearing from home to the point under
// the pointer in the desktop locale's unit, Properties' line, Make Home and the Options page's
// field writing the setting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <cmath>

#include "foundation/clock.h"
#include "foundation/localized_strings.h"
#include "map/map_geometry.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/main_window.h"
#include "shell/window/map_context_menu.h"
#include "shell/window/status_bar.h"
#include "support/shipped_world.h"
#include "support/temp_dir.h"
#include "world/city_search.h"

namespace meridiana {
namespace {

constexpr int kFromHomePart = 5;
constexpr int kFromHomeField = 1626;

// The reference: the great circle on a sphere of the Earth's mean radius (IUGG, 6371.0088 km),
// within 0.5 % of the ellipsoid's geodesic at any distance.
struct Sphere {
  double km;
  double bearing;
};
Sphere GreatCircle(double lat1, double lon1, double lat2, double lon2) {
  const double r = M_PI / 180;
  const double p1 = lat1 * r, p2 = lat2 * r, dl = (lon2 - lon1) * r;
  const double h = std::pow(std::sin((p2 - p1) / 2), 2) +
                   std::cos(p1) * std::cos(p2) * std::pow(std::sin(dl / 2), 2);
  const double bearing = std::atan2(std::sin(dl) * std::cos(p2), std::cos(p1) * std::sin(p2) -
                                                                     std::sin(p1) * std::cos(p2) *
                                                                         std::cos(dl)) /
                         r;
  return {2 * 6371.0088 * std::asin(std::sqrt(h)), std::fmod(bearing + 360, 360)};
}

// "51.51° N" as a signed number.
double Degrees(const QString& part) {
  const double value = part.section(QChar(0xB0), 0, 0).toDouble();
  return part.endsWith('S') || part.endsWith('W') ? -value : value;
}

class HomeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    world = test::ShippedWorld();
    MainWindow::Context context;
    context.settings = &settings;
    context.world = &world;
    context.clock = &clock;
    context.language = &language;
    window = std::make_unique<MainWindow>(std::move(context));
    window->resize(1100, 700);
    window->show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
  void PointAt(double latitude, double longitude) {
    const MapPoint p = BaseToView(window->mapView(), BaseMapPixel(longitude, latitude));
    window->ShowPointerReadOut(QPoint(p.x, p.y));
  }
  QString Part(int part) const { return window->statusBar()->partText(part); }
  std::size_t IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < world.cities.size(); ++i)
      if (WithoutTrailingBlanks(world.cities[i].name) == name) return i;
    ADD_FAILURE() << name;
    return 0;
  }

  ScopedEnv zone{"TZ", "Asia/Tokyo"};  // the computer's city, home while none is set
  WorldData world;
  Settings settings;
  FixedClock clock{UtcFromCalendar(2026, 7, 1, 12, 0, 0)};
  Localizer localizer{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language{&localizer, {}};
  std::unique_ptr<MainWindow> window;
};

// The pointer over another continent reads the distance and the compass point from home, in
// miles where the locale measures in imperial units and with its digit grouping; the other
// parts keep their texts.
TEST_F(HomeWindowTest, ReadOutMeasuresFromHomeInTheLocalesUnit) {
  const struct {
    const char* home;      // the setting; "" the computer's city
    const char* homeCity;  // the city it names
    QLocale locale;
    double latitude, longitude;
    const char* unit;
    const char* separator;
  } rows[] = {
      {"London", "London", QLocale(QLocale::German, QLocale::Germany), 35.7, 139.7, "km", "."},
      {"London", "London", QLocale(QLocale::English, QLocale::UnitedStates), -33.9, 151.2, "mi",
       ","},
      {"", "Tokyo", QLocale(QLocale::English, QLocale::UnitedKingdom), 40.7, -74.0, "mi", ","},
      {"sydney", "Sydney", QLocale(QLocale::French, QLocale::France), 48.9, 2.3, "km",
       "\u202F"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.home) + " " + row.unit);
    QLocale::setDefault(row.locale);
    settings.home = row.home;
    PointAt(row.latitude, row.longitude);
    const QString text = Part(kFromHomePart);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^([0-9.,\u202F\u00A0]+) (km|mi) (\\d+)\u00B0 ([NESW]+)$"))
            .match(text);
    ASSERT_TRUE(m.hasMatch()) << text.toStdString();
    EXPECT_EQ(m.captured(2), row.unit);
    EXPECT_TRUE(m.captured(1).contains(QString::fromUtf8(row.separator))) << text.toStdString();
    QString digits = m.captured(1);
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    const double km = digits.toDouble() * (m.captured(2) == "mi" ? 1.609344 : 1.0);
    // Measured to where the read-out says the pointer is.
    const City& home = world.cities[IndexOf(row.homeCity)];
    const Sphere ref = GreatCircle(home.latitude, home.longitude, Degrees(Part(1)), Degrees(Part(2)));
    EXPECT_NEAR(km, ref.km, ref.km * 0.005 + 2);
    EXPECT_NEAR(m.captured(3).toDouble(), ref.bearing, 1.5);
    static const char* const kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    EXPECT_EQ(m.captured(4), kPoints[static_cast<int>(std::floor(ref.bearing / 45 + 0.5)) % 8]);
    EXPECT_TRUE(Part(4).contains(':'));  // the local time is where it was
  }
  emit window->mapArea()->pointerLeft();
  EXPECT_EQ(Part(kFromHomePart), "");
}

// Make Home in the context menu writes the setting; what measures from home follows: Properties
// shows no distance for home itself and one for any other city.
TEST_F(HomeWindowTest, MakeHomeWritesTheSettingAndPropertiesFollows) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::Ireland));
  ASSERT_TRUE(window->OnCommand(40002));  // modeless Properties of the city nearest the corner
  PropertiesDialog* properties = window->properties();
  ASSERT_NE(properties, nullptr);
  const City* shown = properties->city();
  EXPECT_TRUE(properties->FieldText(kFromHomeField).contains(" km ")) << "from Tokyo";

  window->mapView().menuCities[0] = static_cast<int>(shown - world.cities.data());
  ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand));
  EXPECT_EQ(ResolveCityName(world, settings.home).city, shown) << settings.home;
  EXPECT_TRUE(settings.homeStored);
  EXPECT_EQ(properties->FieldText(kFromHomeField), "");

  window->mapView().menuCities[1] = static_cast<int>(IndexOf("Paris"));
  ASSERT_TRUE(window->OnCommand(kFirstCityHomeCommand + 1));
  EXPECT_EQ(settings.home, "Paris");
  PointAt(51.5, -0.1);  // London, north-west of Paris
  const QString text = Part(kFromHomePart);
  const City& paris = world.cities[IndexOf("Paris")];
  const Sphere ref =
      GreatCircle(paris.latitude, paris.longitude, Degrees(Part(1)), Degrees(Part(2)));
  EXPECT_TRUE(text.endsWith(QStringLiteral("\u00B0 NW"))) << text.toStdString();
  EXPECT_NEAR(text.section(' ', 0, 0).toDouble(), ref.km, 3)
      << text.toStdString() << " at " << Part(1).toStdString() << " " << Part(2).toStdString();
}

// Home on the Options page: typed, a name that finds no city is refused with the line saying so
// and the dialog stays; a city is kept by its name, and an empty field goes back to the
// computer's city.
TEST_F(HomeWindowTest, OptionsPageFieldRefusesWhatNamesNoCity) {
  const auto run = [this](const QString& typed, bool* stayed, QString* reason) {
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("control1929"));
      ASSERT_NE(field, nullptr);
      field->setText(typed);
      auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("control1"));
      ok->click();
      *stayed = dialog->isVisible();
      const auto* line = dialog->findChild<QLabel*>(QStringLiteral("noCityMatches"));
      *reason = line != nullptr && line->isVisible() ? line->text() : QString();
      if (*stayed) dialog->findChild<QPushButton*>(QStringLiteral("control2"))->click();
    });
    window->OnCommand(ids::kCmdSettings);
  };
  const struct {
    const char* typed;
    bool refused;
    const char* kept;
  } rows[] = {
      {"Nowhere-at-all", true, ""}, {"  paris ", false, "Paris"}, {"Atlantis", true, "Paris"},
      {"", false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    bool stayed = false;
    QString reason;
    run(QString::fromUtf8(row.typed), &stayed, &reason);
    EXPECT_EQ(stayed, row.refused);
    EXPECT_EQ(reason.contains("No city matches"), row.refused) << reason.toStdString();
    EXPECT_EQ(settings.home, row.kept);
  }
  EXPECT_TRUE(settings.homeStored);
}

}  // namespace
}  // namespace meridiana
