#include "world/area_code.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

TEST(ParseAreaCodes, CountryAndCityLines) {
  const auto codes = ParseAreaCodes(
      "*,Orphan,99\r\n"  // before any country line
      "Germany,49\r\n"
      "*,Berlin,30,\r\n"         // trailing comma dropped
      "+,Munich, 89,extra\r\n"   // "+" means the same as "*"; text after the last comma dropped
      "France,33,note,more\r\n"  // code cut at its last comma
      "  *,Paris,1\r\n");
  ASSERT_EQ(codes.size(), 6u);
  EXPECT_EQ(codes[0].country, "");
  EXPECT_EQ(codes[0].city, "Orphan");
  EXPECT_EQ(codes[0].code, "99");
  EXPECT_EQ(codes[1].country, "Germany");
  EXPECT_FALSE(codes[1].city.has_value());
  EXPECT_EQ(codes[1].code, "49");
  EXPECT_EQ(codes[2].country, "Germany");
  EXPECT_EQ(codes[2].city, "Berlin");
  EXPECT_EQ(codes[2].code, "30");
  EXPECT_EQ(codes[3].country, "Germany");
  EXPECT_EQ(codes[3].city, "Munich");
  EXPECT_EQ(codes[3].code, "89");  // the blank after the comma is skipped
  EXPECT_EQ(codes[4].country, "France");
  EXPECT_EQ(codes[4].code, "33,note");
  EXPECT_EQ(codes[5].country, "France");
  EXPECT_EQ(codes[5].city, "Paris");
}

TEST(ParseAreaCodes, EndsOfText) {
  EXPECT_EQ(ParseAreaCodes("A,1\r\nB,2\r\n").size(), 2u);  // a final CR LF adds nothing
  EXPECT_EQ(ParseAreaCodes("A,1\r\nB,2").size(), 2u);
  // A line without a comma takes the rest of the text as its first field.
  const auto codes = ParseAreaCodes("A,1\r\nNoComma\r\n");
  ASSERT_EQ(codes.size(), 2u);
  EXPECT_EQ(codes[1].country, "NoComma\r\n");
  EXPECT_EQ(codes[1].code, "");
}

TEST(AreaCodeText, JoinsCodesInFileOrder) {
  const auto codes = ParseAreaCodes(
      "Germany,49\r\n"
      "*,Berlin,30\r\n"
      "*,Munich,89\r\n"
      "*,BERLIN,31\r\n"
      "France,33\r\n"
      "*,Berlin,77\r\n"  // a Berlin in another country
      "germany,+\r\n");  // a second country line, spelt in lower case
  // City mode: each code after a blank, joined by commas; countries and cities ignore case.
  EXPECT_EQ(AreaCodeText(codes, "GERMANY", "berlin", true), " 30, 31");
  EXPECT_EQ(AreaCodeText(codes, "Germany", "Munich", true), " 89");
  EXPECT_EQ(AreaCodeText(codes, "Germany", "Hamburg", true), "");
  EXPECT_EQ(AreaCodeText(codes, "Spain", "Madrid", true), "");
  // Country mode: country lines only, run together; nothing at all when none matches.
  EXPECT_EQ(AreaCodeText(codes, "Germany", "", false), "49+");
  EXPECT_EQ(AreaCodeText(codes, "France", "Berlin", false), "33");
  EXPECT_EQ(AreaCodeText(codes, "Spain", "", false), std::nullopt);
  EXPECT_EQ(AreaCodeText({}, "Germany", "Berlin", true), "");
}

}  // namespace
}  // namespace meridiana
