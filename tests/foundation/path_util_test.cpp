#include "foundation/path_util.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

struct PathCase {
  const char* input;
  const char* backslash;  // with "\" as the separator
  const char* slash;      // with "/"
};

TEST(PathUtil, NormaliseSeparators) {
  const PathCase cases[] = {
      {"a/b\\c", "a\\b\\c", "a/b/c"},
      {"a//b\\\\c/", "a\\b\\c\\", "a/b/c/"},
      {"\\\\server\\\\share", "\\\\server\\share", "//server/share"},
      {"\\\\\\server", "\\\\server", "//server"},
      {"/root", "\\root", "/root"},
      {"", "", ""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(NormaliseSeparators(c.input, '\\'), c.backslash);
    EXPECT_EQ(NormaliseSeparators(c.input, '/'), c.slash);
  }
}

TEST(PathUtil, ResolveDotSegments) {
  const PathCase cases[] = {
      {"C:\\data\\..\\x.bmp", "C:\\x.bmp", nullptr},
      {"a/b/../c", nullptr, "a/c"},
      {"a/b/c/../../d", nullptr, "a/d"},
      {"a/b/..", nullptr, "a/"},
      {"../../x", nullptr, "x"},  // never before the start
      {"/../x", nullptr, "/x"},
      {"a/../../b", nullptr, "b"},
      {"..", nullptr, ".."},
      {"a/..b/c", nullptr, "a/..b/c"},
      {"a/./b", nullptr, "a/./b"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.input);
    if (c.backslash) {
      EXPECT_EQ(ResolveDotSegments(c.input, '\\'), c.backslash);
    }
    if (c.slash) {
      EXPECT_EQ(ResolveDotSegments(c.input, '/'), c.slash);
      // The same path written with the other separator resolves the same way.
      std::string back = c.input, expected = c.slash;
      for (char& ch : back) ch = ch == '/' ? '\\' : ch;
      for (char& ch : expected) ch = ch == '/' ? '\\' : ch;
      EXPECT_EQ(ResolveDotSegments(back, '\\'), expected);
    }
  }
}

TEST(PathUtil, JoinPath) {
  EXPECT_EQ(JoinPath("C:\\data/", "../x.bmp", '\\'), "C:\\x.bmp");
  EXPECT_EQ(JoinPath("C:\\data/", "../x.bmp", '/'), "C:/x.bmp");
  EXPECT_EQ(JoinPath("", "images\\earth_day.bmp", '\\'), "images\\earth_day.bmp");
  EXPECT_EQ(JoinPath("", "images\\earth_day.bmp", '/'), "images\\earth_day.bmp");  // unchanged
  EXPECT_EQ(JoinPath("/usr/share/meridiana", "", '/'), "/usr/share/meridiana");
  EXPECT_EQ(JoinPath("/usr/share/meridiana", "images\\earth_tz.bmp"),
            "/usr/share/meridiana/images/earth_tz.bmp");
  EXPECT_EQ(JoinPath("\\\\host\\share", "lang\\lang_de.dat", '\\'),
            "\\\\host\\share\\lang\\lang_de.dat");
  EXPECT_EQ(JoinPath("cache", "../../x", '/'), "x");
}

}  // namespace
}  // namespace meridiana
