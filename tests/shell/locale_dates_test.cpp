#include <gtest/gtest.h>

#include <QLocale>

#include "map/overlays/overlays.h"
#include "shell/window/map_readout.h"
#include "shell/window/status_bar.h"
#include "world/city_properties.h"

namespace meridiana {
namespace {

// Sets the default locale for one test and puts the old one back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~ScopedLocale() { QLocale::setDefault(old_); }

 private:
  QLocale old_;
};

// Dates where people read them follow the user's locale: the status bar's local time and the
// cloud date on the map and the Properties dialog's local time, in one format.
TEST(LocaleDates, StatusBarCloudDateAndPropertiesFollowTheLocalesShortFormat) {
  PointerReadOut readOut;
  readOut.localTime = UtcFromCalendar(2026, 12, 9, 0, 5, 33);
  const DesktopLocaleInfo desktop;
  const OnlineLayerTexts texts;
  // A city on the zero meridian without a zone picture: its local time is the clock's UTC.
  const WorldData world;
  City city;
  city.name = "Accra";
  const FixedClock clock{readOut.localTime};
  {
    ScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(PointerStatus(readOut, desktop).localTime, "09.12.26 00:05:33");
    EXPECT_EQ(CityPropertiesOf(world, nullptr, 0, 0, city, clock, desktop).localTimeText,
              "09.12.26 00:05:33");
    EXPECT_EQ(CloudDateText("2026120900", texts, desktop), "Image Date: 09.12.26 00:00");
  }
  {
    ScopedLocale american(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(PointerStatus(readOut, desktop).localTime, "12/9/26 00:05:33");
    // Midnight on a 12-hour clock is 12 AM, never 0.
    const std::string cloud = CloudDateText("2026120900", texts, desktop);
    EXPECT_EQ(cloud.rfind("Image Date: 12/9/26 12:00", 0), 0u) << cloud;
    EXPECT_NE(cloud.find("AM"), std::string::npos) << cloud;
  }
  {
    ScopedLocale british(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(PointerStatus(readOut, desktop).localTime, "09/12/2026 00:05:33");
  }
  // The longest of these fits the status bar's local-time part.
  PartStatusBar bar(kMainStatusParts, kMainStatusDistances);
  bar.resize(800, bar.height());
  const int room = bar.partRect(kStatusLocalTimePart).width() - 8;
  EXPECT_LE(bar.fontMetrics().horizontalAdvance(QStringLiteral("09/12/2026 00:05:33")), room);
  // Without the locale's formats the fixed layouts stay.
  EXPECT_EQ(PointerStatus(readOut, FixedLocaleInfo{"/"}).localTime, "12/09/26 00:05:33");
  EXPECT_EQ(CityPropertiesOf(world, nullptr, 0, 0, city, clock, FixedLocaleInfo{"/"}).localTimeText,
            "12/09/26 00:05:33");
}

// The saving's first and last days: "8 Mar" with the locale's month, or the year-first short
// date without its year.
TEST(LocaleDates, DayAndMonthInTheLocalesWordsOrOrder) {
  const DesktopLocaleInfo desktop;
  const struct {
    QLocale locale;
    const char* expected;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "8 Mar"},
      {QLocale(QLocale::German, QLocale::Germany), "8 M\xc3\xa4rz"},
      {QLocale(QLocale::Japanese, QLocale::Japan), "03/08"},  // yyyy/MM/dd
  };
  for (const auto& c : cases) {
    ScopedLocale scoped(c.locale);
    EXPECT_EQ(desktop.DayAndMonth(3, 8), c.expected) << c.locale.name().toStdString();
    EXPECT_FALSE(desktop.DayAndMonth(2, 29).empty());
    EXPECT_EQ(desktop.DayAndMonth(2, 30), "");
  }
}

}  // namespace
}  // namespace meridiana
