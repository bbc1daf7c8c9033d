#include "foundation/text_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/base64.h"
#include "foundation/number_text.h"
#include "foundation/text_format.h"
#include "foundation/url_parts.h"

namespace meridiana {
namespace {

TEST(TextUtil, ReplaceInPlaceShiftsTheTailAndReportsTheEnd) {
  char buffer[64] = "one two one";
  char* after = ReplaceFirstInPlace(buffer, "one", "three");
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(buffer, "three two one");
  EXPECT_EQ(after, buffer + 5);

  after = ReplaceLastInPlace(buffer, "one", nullptr);  // null replacement deletes
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(buffer, "three two ");
  EXPECT_EQ(*after, '\0');

  after = ReplaceFirstNoCaseInPlace(buffer, "TWO", "2");
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(buffer, "three 2 ");
  EXPECT_STREQ(after, " ");

  EXPECT_EQ(ReplaceFirstInPlace(buffer, "four", "4"), nullptr);
  EXPECT_EQ(ReplaceFirstInPlace(buffer, "", "4"), nullptr);
  char empty[8] = "";
  EXPECT_EQ(ReplaceFirstInPlace(empty, "a", "b"), nullptr);
  EXPECT_EQ(ReplaceLastInPlace(nullptr, "a", "b"), nullptr);
  EXPECT_STREQ(buffer, "three 2 ");
}

TEST(TextUtil, SearchingAndCounting) {
  const char* text = "Hello World";
  EXPECT_EQ(FindNoCase(text, "wORLD"), text + 6);
  EXPECT_EQ(FindNoCase(text, "worlds"), nullptr);
  EXPECT_EQ(FindNoCase(static_cast<const char*>(nullptr), "a"), nullptr);
  const char* abc = "abcabc";
  EXPECT_EQ(FindLast(abc, "bc"), abc + 4);
  EXPECT_EQ(FindLast(abc, "abcabcx"), nullptr);
  EXPECT_EQ(CountChar("a,b,,c", ','), 3);
  EXPECT_EQ(CountChar(nullptr, ','), 0);
  // Byte ranges with zero bytes in them, as network replies are.
  const std::string reply("\xff\xd8\0\0Location: x\0location: y", 28);
  EXPECT_EQ(FindIgnoringCase(reply, "LOCATION: "), 4u);
  EXPECT_EQ(FindIgnoringCase(reply, "location: ", 5), 16u);
  EXPECT_EQ(FindIgnoringCase(reply, "location: z"), std::string_view::npos);
  EXPECT_TRUE(StartsWithIgnoringCase("<?XML version", "<?xml"));
  EXPECT_FALSE(StartsWithIgnoringCase("<?x", "<?xml"));
}

TEST(TextUtil, BoundedCopiesAlwaysTerminate) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  EXPECT_STREQ(CopyN(out, "abcdef", 3), "abc");
  EXPECT_STREQ(CopyN(out, "ab", 5), "ab");
  EXPECT_STREQ(CopyN(out, "abc", -1), "");
  EXPECT_STREQ(CopyN(out, nullptr, 4), "");
  EXPECT_STREQ(CopyUntil(out, "key=value", '='), "key");
  EXPECT_STREQ(CopyUntil(out, "novalue", '='), "novalue");
  EXPECT_STREQ(CopyUntilN(out, "key=value", '=', 2), "ke");
  EXPECT_STREQ(CopyUntilN(out, "k=value", '=', 5), "k");
  std::strcpy(out, "ab");
  EXPECT_STREQ(AppendUntil(out, "cd,ef", ','), "abcd");
}

TEST(TextUtil, BetweenAndQuotes) {
  EXPECT_EQ(Between("f(x) + g(y)", '(', ')'), "x");
  EXPECT_EQ(Between("open (end", '(', ')'), "end");
  EXPECT_EQ(Between("none", '(', ')'), std::nullopt);
  EXPECT_EQ(BetweenUnquoted("<a href=\"x>y\">", '<', '>'), "a href=\"x>y\"");
  EXPECT_EQ(Between("<a href=\"x>y\">", '<', '>'), "a href=\"x");
  EXPECT_EQ(BetweenUnquoted("<a title='it\"s'>rest", '<', '>'), "a title='it\"s'");

  const char* text = "a='x,y',\"p,q\",z";
  EXPECT_EQ(FindUnquoted(text, ','), text + 7);
  EXPECT_EQ(FindUnquoted("'a,b'", ','), nullptr);
  EXPECT_EQ(FindUnquoted("'unclosed, quote", ','), nullptr);
}

TEST(TextUtil, TrimRightAndCommaFields) {
  char line[] = "value \r\n \n";
  EXPECT_STREQ(TrimRight(line), "value");
  std::string s = "x\t \r\n";
  TrimRight(&s);
  EXPECT_EQ(s, "x\t");

  EXPECT_EQ(CommaField("Paris,FR,75", 0), "Paris");
  EXPECT_EQ(CommaField("Paris,FR,75", 2), "75");
  EXPECT_EQ(CommaField("Paris,FR,75", 3), std::nullopt);
  EXPECT_EQ(CommaField("a,,c", 1), "");
  EXPECT_EQ(CommaField(nullptr, 0), std::nullopt);
  EXPECT_EQ(DuplicateText(nullptr), std::nullopt);
}

TEST(TextUtil, PlainTextLinesKeepWholeCharacters) {
  EXPECT_EQ(PlainTextLine(std::string("a\r\n\tb\0c\x7f,d", 10), 100), "abc,d");
  EXPECT_EQ(PlainTextLine("a,b,c", 100, ","), "abc");
  EXPECT_EQ(PlainTextLine("abcdef", 4), "abcd");
  // "é" is two bytes and "€" three: a limit inside one drops the whole character.
  EXPECT_EQ(PlainTextLine("ab\xC3\xA9", 3), "ab");
  EXPECT_EQ(PlainTextLine("ab\xC3\xA9", 4), "ab\xC3\xA9");
  EXPECT_EQ(PlainTextLine("a\xE2\x82\xAC", 3), "a");
  EXPECT_EQ(PlainTextLine("\n\n\nabc", 2), "ab");  // dropped bytes do not count
}

TEST(NumberText, IntegersFloatsAndFormatting) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToText(2147483647), "2147483647");
  EXPECT_EQ(FloatToText(3.14159, 2), "3.14");
  EXPECT_EQ(FloatToText(-0.5, 0), "-0");
  EXPECT_EQ(FloatToText(2.5, -3), "2");
  // Far wider than a 50-character buffer.
  EXPECT_EQ(FloatToText(1e300, 2).size(), 301u + 3u);
  EXPECT_EQ(FormatText("%s=%d", "n", 7), "n=7");
  EXPECT_EQ(FormatText(nullptr), std::nullopt);
}

TEST(Base64, Rfc4648Vectors) {
  // Test vectors of RFC 4648, section 10.
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) EXPECT_EQ(Base64Encode(plain), encoded);
  EXPECT_EQ(Base64Encode(std::string("\xff\xfe\x00", 3)), "//4A");
  EXPECT_EQ(Base64Encode("user:pass"), "dXNlcjpwYXNz");
}

TEST(UrlParts, HostAndPort) {
  struct Case {
    const char* url;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"http://example.com/clouds/x.php?a=1", "example.com", 0},
      {"http://example.com:8080/path", "example.com", 8080},
      {"proxy.local:3128", "proxy.local", 3128},
      {"example.com/a:b", "example.com", 0},  // a colon behind the first "/" is no port
      {"http://host/a//b:9", "host", 0},
      {"http://host:99999/", "host", 0},
      {"http://host:/", "host", 0},
      {"", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url), c.host);
    EXPECT_EQ(UrlPort(c.url), c.port);
  }
}

}  // namespace
}  // namespace meridiana
