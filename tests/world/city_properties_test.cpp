#include "world/city_properties.h"

#include <gtest/gtest.h>

#include "scoped_tz.h"
#include "world/local_time.h"
#include "world/locale_info.h"
#include "world/time_format.h"

namespace meridiana {
namespace {

// Each city's time-zone colour sits at x = its index on a one-row image.
class CityPropertiesTest : public ::testing::Test {
 protected:
  CityPropertiesTest() {
    world_.cities = ParseCities(
        "Berlin\t52.52\t13.40\tBerlin\r\n"
        "Chicago\t39.80\t-89.65\tSpringfield (Illinois)\r\n"
        "Kathmandu\t27.70\t85.32\tKathmandu\r\n"
        "Chatham\t-43.95\t-176.55\tWaitangi\r\n"
        "Atlantis\t10\t-30\tAtlantis\r\n");
    world_.zones = ParseZones(
        "country\tlat\tlon\tzone\tcode\tcomment\trule\tnote\r\n"
        "Germany\t52.5\t13.4\tEurope/Berlin\tDE\tx\tEU\t\r\n"
        "United States\t41.9\t-87.6\tAmerica/Chicago\tUS\tx\tUS\t\r\n"
        "Nepal\t27.7\t85.3\tAsia/Kathmandu\tNP\tx\t-\t\r\n"
        "New Zealand\t-43.9\t-176.5\tPacific/Chatham\tNZ\tx\tNZ\t\r\n");
    world_.rules = ParseDstRules(
        "EU\tL\t0\t0\t10\t0\tx\r\nEU\tL\t0\t0\t3\t1\tx\r\n"
        "US\t>\t0\t0\t11\t0\tx\r\nUS\t>\t0\t8\t3\t1\tx\r\n"
        "NZ\tF\t0\t0\t4\t0\tx\r\nNZ\tL\t0\t0\t9\t1\tx\r\n");
    world_.areaCodes = ParseAreaCodes(
        "Germany,49\r\n*,Berlin,30\r\n"
        "United States,1\r\n*,Springfield,217\r\n*,Springfield,417\r\n");
    image_ = DibCreate(5, 1, 24);
    DibSetColor(image_.get(), 0, 0, DibColor{49, 255, 132, 0});   // +1
    DibSetColor(image_.get(), 1, 0, DibColor{156, 206, 197, 0});  // -6
    DibSetColor(image_.get(), 2, 0, DibColor{156, 173, 214, 0});  // +5.75
    DibSetColor(image_.get(), 3, 0, DibColor{33, 148, 189, 0});   // +12.75
    DibSetColor(image_.get(), 4, 0, DibColor{255, 0, 0, 0});      // -5
  }

  CityProperties Of(int index, const Clock& clock, const char* separator = "/") {
    return CityPropertiesOf(world_, image_.get(), index, 0, world_.cities[index], clock,
                            FixedLocaleInfo(separator));
  }

  world_test::ScopedTz tz_{"UTC"};
  WorldData world_;
  DibPtr image_;
  FixedClock july_{UtcFromCalendar(2025, 7, 1, 12, 0, 0)};
};

TEST_F(CityPropertiesTest, NorthernCityInSummer) {
  const CityProperties p = Of(0, july_, ".");
  EXPECT_EQ(p.name, "Berlin");
  EXPECT_EQ(p.country, "Germany");
  EXPECT_EQ(p.countryCode, "49");
  EXPECT_EQ(p.areaCodes, " 30");
  EXPECT_EQ(p.utcOffsetHours, 1.0f);
  EXPECT_EQ(p.savingMinutes, 60);
  EXPECT_EQ(p.localTime, UtcFromCalendar(2025, 7, 1, 14, 0, 0));
  EXPECT_EQ(p.localTimeText, "07.01.25 14:00:00");
  EXPECT_EQ(p.latitude, "52.52");
  EXPECT_EQ(p.longitude, "13.40");
  EXPECT_EQ(p.dstStarts, "30 Mar");
  EXPECT_EQ(p.dstEnds, "26 Oct");
  // A locale that writes days and months has the last word on how the dates read.
  struct DayDotMonth : FixedLocaleInfo {
    std::string DayAndMonth(int month, int day) const override {
      return std::to_string(day) + "." + std::to_string(month) + ".";
    }
  };
  const CityProperties german =
      CityPropertiesOf(world_, image_.get(), 0, 0, world_.cities[0], july_, DayDotMonth{});
  EXPECT_EQ(german.dstStarts, "30.3.");
  EXPECT_EQ(german.dstEnds, "26.10.");
  // Sunrise in standard time (UTC+1), saving not added. Almanacs give 04:46 summer time, i.e.
  // 03:46 standard time, for the Sun's upper limb with refraction; the geometric centre rises
  // about seven minutes later at this latitude.
  EXPECT_GE(p.sunrise, "03:48:00");
  EXPECT_LE(p.sunrise, "03:58:00");
}

TEST_F(CityPropertiesTest, RegionNameOnAndAfterRuleAndAreaCodes) {
  const CityProperties p = Of(1, july_);
  EXPECT_EQ(p.name, "Springfield");  // shown without the blank before the cut region
  EXPECT_EQ(p.country, "United States");
  // The blank left before the cut region does not keep the telephone codes from matching.
  EXPECT_EQ(p.areaCodes, " 217, 417");
  EXPECT_EQ(p.countryCode, "1");
  EXPECT_EQ(p.localTimeText, "07/01/25 07:00:00");  // -6 h + 1 h saving
  EXPECT_EQ(p.dstStarts, "9 Mar");                  // second Sunday of March 2025
  EXPECT_EQ(p.dstEnds, "2 Nov");
  EXPECT_EQ(p.latitude, "39.80");
  EXPECT_EQ(p.longitude, "-89.65");
}

TEST_F(CityPropertiesTest, FractionalOffsetsAndCitiesWithoutRuleOrZone) {
  const CityProperties nepal = Of(2, july_);
  EXPECT_EQ(nepal.localTime, july_.Now() + 20700);
  EXPECT_EQ(nepal.localTimeText, "07/01/25 17:45:00");
  EXPECT_EQ(nepal.dstStarts, "");  // rule "-" names no rule
  EXPECT_EQ(nepal.dstEnds, "");
  EXPECT_EQ(nepal.countryCode, "");
  EXPECT_EQ(nepal.areaCodes, "");

  // +12.75 h is beyond what the solar routine accepts, yet the Chatham Islands get their times:
  // almanacs give about 08:16 and 17:02 for early July; the geometric times lie a few minutes
  // inside those.
  const CityProperties chatham = Of(3, july_);
  EXPECT_GE(chatham.sunrise, "08:05:00");
  EXPECT_LE(chatham.sunrise, "08:16:00");
  EXPECT_GE(chatham.sunset, "16:50:00");
  EXPECT_LE(chatham.sunset, "17:02:00");
  EXPECT_EQ(chatham.savingMinutes, 0);  // southern winter
  EXPECT_EQ(chatham.localTimeText, "07/02/25 00:45:00");

  const CityProperties none = Of(4, july_);
  EXPECT_EQ(none.country, "");
  EXPECT_EQ(none.countryCode, "");
  EXPECT_EQ(none.areaCodes, "");
  EXPECT_EQ(none.dstStarts, "");
  EXPECT_EQ(none.localTimeText, "07/01/25 07:00:00");  // the standard offset alone
}

TEST_F(CityPropertiesTest, LocalTimeOfAPoint) {
  const City& berlin = world_.cities[0];
  // Without a city no saving is added; without an image no offset.
  EXPECT_EQ(LocalTimeOf(world_, image_.get(), 0, 0, nullptr, july_), july_.Now() + 3600);
  EXPECT_EQ(LocalTimeOf(world_, image_.get(), 0, 0, &berlin, july_), july_.Now() + 7200);
  EXPECT_EQ(LocalTimeOf(world_, nullptr, 0, 0, &berlin, july_), july_.Now() + 3600);
  // The offset is that of the point asked about, not of the city.
  EXPECT_EQ(LocalTimeOf(world_, image_.get(), 1, 0, &berlin, july_), july_.Now() - 5 * 3600);
  EXPECT_EQ(LocalClockText(world_, image_.get(), 2, 0, nullptr, july_), "17:45");
}

// The label clock is written directly; it must read as the clock of the fixed date layout does,
// before 1970, at the calendar's far ends and for "no time".
TEST(LocalClock, ReadsAsTheFixedDateLayoutsClock) {
  const TimeValue far = 100000000000000;
  for (const TimeValue t : {TimeValue{0}, TimeValue{-1}, TimeValue{-86400 * 365 - 61},
                            TimeValue{1782902759}, far, far + 1, -far, -far - 1, kNoTime}) {
    const std::string full = FormatUtcDateTime(t, kMonthDayYear, FixedLocaleInfo("/"));
    const std::string_view clock = ClockPart(full);
    EXPECT_EQ(ClockText(t), std::string(clock.substr(0, clock.rfind(':')))) << t;
  }
  EXPECT_EQ(ClockText(-1), "23:59");
  EXPECT_EQ(ClockText(far + 1), "");
}

}  // namespace
}  // namespace meridiana
