#include "online/link_template.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

class LinkTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Zone brazil;
    brazil.country = "Brazil";
    brazil.zoneCity = "Sao_Paulo";
    world_.zones.push_back(brazil);
    City city;
    city.name = "São Paulo ";  // the blank before a cut region stays out of links
    city.state = "São Paulo";
    city.zoneKey = "Sao_Paulo";
    city.latitude = -23.5475f;
    city.longitude = -46.63611f;
    world_.cities.push_back(city);
  }
  std::string Expand(std::string_view text, const City* city, TimeValue now = kNoon) const {
    return ExpandTemplate(text, city, world_, now, context_).value_or("(refused)");
  }
  static constexpr TimeValue kNoon = 1782907200;  // 2026-07-01 12:00 UTC
  WorldData world_;
  LinkContext context_;
};

TEST_F(LinkTemplateTest, CityCountryAndPositionEncodedFromTheirUtf8Bytes) {
  const City* city = &world_.cities[0];
  EXPECT_EQ(Expand("q=%CITY%&again=%CITY%", city), "q=S%C3%A3o+Paulo&again=S%C3%A3o+Paulo");
  EXPECT_EQ(Expand("%STATE%/%COUNTRY%", city), "S%C3%A3o+Paulo/Brazil");
  EXPECT_EQ(Expand("%LAT%,%LONG%", city), "-23.5475,-46.6361");
  EXPECT_EQ(Expand("$QUERY", city), "Brazil%20Travel%20São Paulo");
  // Without a city: the texts are empty, the position is the pointer's, clamped, 2 decimals.
  context_.pointerLatitude = 95.0;
  context_.pointerLongitude = -12.345;
  EXPECT_EQ(Expand("[%CITY%][%COUNTRY%] %LAT% %LONG%", nullptr), "[][] 90.00 -12.35");
}

TEST_F(LinkTemplateTest, LanguageIdScaleAndTheUtcDate) {
  EXPECT_EQ(Expand("https://x.org/%LANG%/faq?id=%ID%", nullptr), "https://x.org/faq");
  context_.language = "de";
  context_.linkId = "1000";  // the number 1000 counts as no id
  EXPECT_EQ(Expand("https://x.org/%LANG%/faq?id=%ID%", nullptr), "https://x.org/de/faq");
  context_.linkId = "4711";
  EXPECT_EQ(Expand("https://x.org/%LANG%/faq?id=%ID%&again=%ID%", nullptr),
            "https://x.org/de/faq?id=4711&again=4711");

  context_.zoom = 2.5f;
  EXPECT_EQ(Expand("%SCALE%", nullptr), "15.65");
  EXPECT_EQ(Expand("$YYYY-$MM-$DD $HH", nullptr, UtcFromCalendar(2026, 3, 5, 23, 30)),
            "2026-3-5 24");
  EXPECT_EQ(Expand("$HH", nullptr, UtcFromCalendar(2026, 3, 6, 0, 10)), "1");
  // Whole strings, not literals assigned in place: GCC 12 at -O3 reports a false -Wrestrict
  // inside std::string's assignment of a one-letter literal.
  context_.clientId = std::string("C");
  context_.machineId = std::string("M");
  EXPECT_EQ(Expand("$MID/$ID", nullptr), "M/C");
}

TEST_F(LinkTemplateTest, InsertedTextIsNotExpandedAgainAndLengthsAreBounded) {
  world_.cities[0].name = "%LAT% $YYYY";
  EXPECT_EQ(Expand("$QUERY", &world_.cities[0]), "Brazil%20Travel%20%LAT% $YYYY");
  // The template is cut to its buffer; a link that grows past the limit is refused.
  const std::string longTemplate(300, 'a');
  EXPECT_EQ(Expand(longTemplate, nullptr).size(), kMaxTemplateBytes);
  world_.cities[0].name = std::string(2000, '/');  // each byte becomes three
  EXPECT_EQ(Expand("%CITY%", &world_.cities[0]), "(refused)");
}

}  // namespace
}  // namespace meridiana
