#include "foundation/dyn_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace meridiana {
namespace {

// The block header sits in the 8 bytes in front of the text: {int32 capacity, int32 length}.
void ExpectHeader(const DynString& s, std::int32_t capacity, std::int32_t length) {
  ASSERT_NE(s.data(), nullptr);
  std::int32_t header[2];
  std::memcpy(header, s.data() - 8, sizeof header);
  EXPECT_EQ(header[0], capacity);
  EXPECT_EQ(header[1], length);
  EXPECT_EQ(s.data()[length], '\0');
  EXPECT_EQ(std::strlen(s.data()), static_cast<std::size_t>(length));
}

TEST(DynString, NullIsTheEmptyStringAndWritesCreateIt) {
  DynString s;
  EXPECT_EQ(s.data(), nullptr);
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_EQ(s.length(), 0);

  DynString appended;
  ASSERT_NE(DynStringAppend(&appended, "abc"), nullptr);
  EXPECT_STREQ(appended.c_str(), "abc");
  ExpectHeader(appended, 4, 3);  // created by appending: one character to spare

  DynString assigned;
  ASSERT_NE(DynStringAssign(&assigned, nullptr), nullptr);
  ExpectHeader(assigned, 0, 0);

  DynString n;
  DynStringAssign(&n, "hello");
  ASSERT_NE(DynStringAssignN(&n, "xyz", 0), nullptr);
  ExpectHeader(n, 5, 0);
  DynStringAppend(&n, "ab");
  EXPECT_STREQ(n.c_str(), "ab");  // the append starts at position 0
  DynStringAssignN(&n, nullptr, 3);
  EXPECT_EQ(n.length(), 0);

  DynString untouched;
  EXPECT_EQ(DynStringAppend(&untouched, nullptr), nullptr);  // a null source changes nothing
  EXPECT_EQ(untouched.data(), nullptr);

  EXPECT_EQ(DynStringAppend(nullptr, "x"), nullptr);
  EXPECT_EQ(DynStringAssign(nullptr, "x"), nullptr);
  EXPECT_FALSE(DynStringCutAtLast(&untouched, 'x'));
  EXPECT_EQ(DynStringGrow(&untouched, 10), nullptr);  // growing does not create
  EXPECT_EQ(untouched.data(), nullptr);
}

TEST(DynString, GrowsToExactlyTheNeededCapacityAndNeverShrinks) {
  DynString s = DynStringCreate(5);
  ExpectHeader(s, 5, 0);
  DynStringAssign(&s, "abc");
  ExpectHeader(s, 5, 3);
  DynStringAppend(&s, "defg");
  ExpectHeader(s, 7, 7);
  DynStringAssign(&s, "a");
  ExpectHeader(s, 7, 1);
  DynStringAssign(&s, "0123456789");
  ExpectHeader(s, 10, 10);
  DynStringAppendN(&s, "abcdef", 2);
  ExpectHeader(s, 12, 12);
  EXPECT_STREQ(s.c_str(), "0123456789ab");

  ASSERT_NE(DynStringGrow(&s, 40), nullptr);
  ExpectHeader(s, 40, 12);
  EXPECT_STREQ(s.c_str(), "0123456789ab");
  DynStringGrow(&s, 3);
  ExpectHeader(s, 40, 12);

  EXPECT_EQ(DynStringCreate(-1).data(), nullptr);
}

TEST(DynString, SourcesTakenFromTheStringItself) {
  DynString s;
  DynStringAssign(&s, "abc");
  DynStringAppend(&s, s.data());  // must be copied before the block moves
  EXPECT_STREQ(s.c_str(), "abcabc");
  DynStringAssign(&s, s.data() + 2);
  EXPECT_STREQ(s.c_str(), "cabc");
  DynStringReplaceAll(&s, s.data() + 3, s.data());
  EXPECT_STREQ(s.c_str(), "cabcabcabc");
}

TEST(DynString, FieldsAndCuts) {
  DynString s;
  DynStringAppendUntil(&s, "Paris\tFR", '\t');
  DynStringAppendUntil(&s, "-x", 'q');
  EXPECT_STREQ(s.c_str(), "Paris-x");

  DynStringAssignField(&s, "key=value", '=');
  EXPECT_STREQ(s.c_str(), "key");
  DynStringAssignField(&s, "=value", '=');
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_EQ(s.length(), 0);
  DynStringAssignField(&s, "novalue", '=');
  EXPECT_STREQ(s.c_str(), "novalue");

  DynStringAssign(&s, "Paris (Texas)");
  EXPECT_TRUE(DynStringCutAtLast(&s, '('));
  EXPECT_STREQ(s.c_str(), "Paris ");
  EXPECT_EQ(s.length(), 6);
  EXPECT_FALSE(DynStringCutAtLast(&s, '('));
  EXPECT_EQ(s.length(), 6);
}

TEST(DynString, ReplaceOneReturnsThePositionAfterTheInsertion) {
  DynString s;
  DynStringAssign(&s, "one two one");
  char* after = DynStringReplaceFirst(&s, "one", "three");
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(s.c_str(), "three two one");
  EXPECT_EQ(after, s.data() + 5);
  ExpectHeader(s, 13, 13);  // grown exactly, before writing

  after = DynStringReplaceLast(&s, "one", "1");
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(s.c_str(), "three two 1");
  EXPECT_STREQ(after, "");
  ExpectHeader(s, 13, 11);

  EXPECT_EQ(DynStringReplaceFirst(&s, "four", "x"), nullptr);
  EXPECT_EQ(DynStringReplaceFirst(&s, "", "x"), nullptr);
  EXPECT_NE(DynStringReplaceFirst(&s, "two ", nullptr), nullptr);
  EXPECT_STREQ(s.c_str(), "three 1");
  DynString empty;
  EXPECT_EQ(DynStringReplaceFirst(&empty, "a", "b"), nullptr);
}

TEST(DynString, ReplaceAllResumesAfterEachInsertion) {
  struct Case {
    const char* text;
    const char* find;
    const char* replacement;
    bool noCase;
    const char* expected;
    int count;
  };
  const Case cases[] = {
      {"aaa", "a", "aa", false, "aaaaaa", 3},
      {"abcabc", "abc", "", false, "", 2},
      {"aaaa", "aa", "a", false, "aa", 2},
      {"Hello hello HELLO", "hello", "bye", true, "bye bye bye", 3},
      {"Hello hello HELLO", "hello", "bye", false, "Hello bye HELLO", 1},
      {"%s and %s", "%s", "%s%s", false, "%s%s and %s%s", 2},
      {"nothing", "x", "y", false, "nothing", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    DynString s;
    DynStringAssign(&s, c.text);
    const int n = c.noCase ? DynStringReplaceAllNoCase(&s, c.find, c.replacement)
                           : DynStringReplaceAll(&s, c.find, c.replacement);
    EXPECT_EQ(n, c.count);
    EXPECT_STREQ(s.c_str(), c.expected);
    ExpectHeader(s,
                 std::max<std::int32_t>(static_cast<std::int32_t>(std::strlen(c.text)),
                                        static_cast<std::int32_t>(std::strlen(c.expected))),
                 static_cast<std::int32_t>(std::strlen(c.expected)));
  }
}

TEST(DynString, SyncLengthAfterInPlaceEdit) {
  DynString s;
  DynStringAssign(&s, "abcdef");
  s.data()[3] = '\0';
  EXPECT_EQ(DynStringSyncLength(&s), 3);
  DynStringAppend(&s, "X");
  EXPECT_STREQ(s.c_str(), "abcX");
}

TEST(DynString, FormatGrowsPastTheScratchBuffer) {
  DynString s;
  EXPECT_EQ(DynStringFormat(&s, "%d-%s", 42, "x"), 4);
  EXPECT_STREQ(s.c_str(), "42-x");
  const std::string longText(5000, 'z');
  EXPECT_EQ(DynStringFormat(&s, "<%s>", longText.c_str()), 5002);
  EXPECT_EQ(s.view(), "<" + longText + ">");
  EXPECT_EQ(DynStringFormat(&s, nullptr), -1);
}

TEST(DynString, UrlEncodeIsFormEncoding) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"a b&c", "a+b%26c"},
      {"AZaz09*-._", "AZaz09*-._"},
      {"\x01/\xE9?=", "%01%2F%E9%3F%3D"},
      {"", ""},
  };
  for (const Case& c : cases) {
    DynString s;
    DynStringAssign(&s, c.text);
    ASSERT_NE(DynStringUrlEncode(&s), nullptr);
    EXPECT_STREQ(s.c_str(), c.expected);
    EXPECT_EQ(s.length(), static_cast<std::int32_t>(std::strlen(c.expected)));
    EXPECT_EQ(s.capacity(), static_cast<std::int32_t>(3 * std::strlen(c.text) + 3));
  }
}

TEST(DynString, FreeAndMove) {
  DynString a;
  DynStringAssign(&a, "moved");
  DynString b = std::move(a);
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_STREQ(b.c_str(), "moved");
  DynStringFree(&b);
  EXPECT_EQ(b.data(), nullptr);
  DynStringFree(&b);
  DynStringFree(nullptr);
}

}  // namespace
}  // namespace meridiana

namespace meridiana {
namespace {

// Random edits checked against std::string, which serves as the reference model.
TEST(DynString, RandomEditsMatchAPlainStringModel) {
  std::mt19937 random(20261208);
  const char* pieces[] = {"a", "ab", "ba", "", "xyz", "A", "aa", "b"};
  auto pick = [&] { return pieces[random() % 8]; };
  DynString s;
  std::string model;
  std::int32_t lastCapacity = 0;
  for (int step = 0; step < 20000; ++step) {
    const char* p = pick();
    const char* q = pick();
    switch (random() % 6) {
      case 0:
        DynStringAppend(&s, p);
        model += p;
        break;
      case 1: {
        const int n = static_cast<int>(random() % 4);
        DynStringAppendN(&s, p, n);
        model.append(p, std::min<std::size_t>(n, std::strlen(p)));
        break;
      }
      case 2:
        if (*p) {
          const std::size_t at = model.find(p);
          const char* after = DynStringReplaceFirst(&s, p, q);
          if (at == std::string::npos) {
            EXPECT_EQ(after, nullptr);
          } else {
            model.replace(at, std::strlen(p), q);
            EXPECT_EQ(after, s.data() + at + std::strlen(q));
          }
        }
        break;
      case 3:
        if (*p) {
          std::size_t at = model.rfind(p);
          if (at != std::string::npos) model.replace(at, std::strlen(p), q);
          EXPECT_EQ(DynStringReplaceLast(&s, p, q) != nullptr, at != std::string::npos);
        }
        break;
      case 4:
        if (*p) {
          int count = 0;
          for (std::size_t at = model.find(p); at != std::string::npos;
               at = model.find(p, at + std::strlen(q))) {
            model.replace(at, std::strlen(p), q);
            ++count;
          }
          EXPECT_EQ(DynStringReplaceAll(&s, p, q), count);
        }
        break;
      case 5:
        if (model.size() > 40) {
          DynStringAssignN(&s, model.c_str() + 20, 10);
          model = model.substr(20, 10);
        }
        break;
    }
    ASSERT_EQ(s.view(), model) << "step " << step;
    ASSERT_GE(s.capacity(), s.length());
    ASSERT_GE(s.capacity(), lastCapacity);  // never shrunk
    lastCapacity = s.capacity();
  }
}

}  // namespace
}  // namespace meridiana
