#include "foundation/localized_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace meridiana {
namespace {

Localizer German() {
  Localizer l(
      ParseStringTable("; ids\n1394\tShow Day Map\n1412\tRefresh\n1423\tUnable to load file '%s'\n"
                       "2000\tZoom In\n2001\tTwo\\tparts\\nand \\\\n\n"));
  l.LoadLanguageText(
      "; German\r\nlang=DE\r\n\r\nE=Show Day Map\nT=Tageskarte anzeigen\n"
      "<1008\nE=Zoom In\nT=Ver{g}rößern\n<0\n"
      "E=Refresh\nT=*\n"
      "T=orphan translation\n"
      "E=About %PRODUCT%\nT=Über %PRODUCT%\n"
      "E=Show Day Map\nT=Tageskarte\n");  // a later pair replaces the earlier one
  return l;
}

TEST(Localizer, LanguageFileLines) {
  Localizer l = German();
  EXPECT_EQ(l.fileLanguage(), "de");
  EXPECT_TRUE(l.hasTranslations());
  EXPECT_STREQ(l.LocalizedText(1394), "Tageskarte");
  // The menu entry also gives the plain key, so the tool tip "Zoom In" is translated too;
  // braces go in every language but Japanese.
  EXPECT_EQ(l.MenuText("Zoom In", 1008), "Vergrößern");
  EXPECT_STREQ(l.LocalizedText(2000), "Vergrößern");
  EXPECT_EQ(l.MenuText("Zoom In", 102), "Zoom In");  // another menu's context: no hit
  EXPECT_STREQ(l.LocalizedText(1412), "Refresh");    // "*" keeps the English text
  EXPECT_FALSE(l.Translation("orphan translation"));
  EXPECT_EQ(l.Translation("About Quillary Meridiana"), "Über %PRODUCT%");
  EXPECT_STREQ(l.LocalizedText(2001), "Two\tparts\nand \\n");
  EXPECT_STREQ(l.LocalizedText(9999), "");

  l.ClearLanguage();
  EXPECT_STREQ(l.LocalizedText(1394), "Show Day Map");
  EXPECT_FALSE(l.hasTranslations());
  EXPECT_EQ(l.fileLanguage(), "");
}

TEST(Localizer, JapaneseKeepsItsBracesAndEscapesAreApplied) {
  Localizer l;
  EXPECT_EQ(l.LoadLanguageText("E={Open}\nT={開く}\nlang=jp\nE={Close}\\t\nT={閉じる}\\n"), "jp");
  // Braces are kept only after the "lang=jp" line; English keys always lose them.
  EXPECT_EQ(l.Translation("Open"), "開く");
  EXPECT_EQ(l.Translation("Close\t"), "{閉じる}\n");
  EXPECT_FALSE(l.rightToLeft());
  l.LoadLanguageText("lang=JO\nE=Yes\nT=نعم");
  EXPECT_TRUE(l.rightToLeft());
  EXPECT_FALSE(l.Translation("Open"));  // loading replaced the table
}

TEST(Localizer, EleventhLookupReusesTheFirstBuffer) {
  Localizer l(ParseStringTable("1\tone\n2\ttwo\n"));
  const char* first = l.LocalizedText(1);
  for (int i = 0; i < 9; ++i) EXPECT_NE(l.LocalizedText(2), first);
  EXPECT_STREQ(first, "one");  // still intact after ten lookups
  EXPECT_EQ(l.LocalizedText(2), first);
  EXPECT_STREQ(first, "two");
}

TEST(Localizer, CaptionsTranslateAndComeBackExactly) {
  Localizer l;
  l.LoadLanguageText("<104\nE=Mark\nT=Markieren\n<0\nE=Close\nT=Schließen\n");
  EXPECT_EQ(l.TranslateCaption("  Mark\t\r\n", 104), " Markieren ");
  EXPECT_EQ(l.TranslateCaption("Close", 104), "Schließen");  // plain key after the keyed one
  EXPECT_EQ(l.TranslateCaption("Mark", 103), "Markieren");   // the keyed pair added "Mark" too
  EXPECT_EQ(l.TranslateCaption("Cancel", 104), "Cancel");    // no pair: stays
  EXPECT_EQ(l.TranslateCaption("", 104), "");
  EXPECT_EQ(l.TranslateCaption(" \t", 104), " \t");

  l.ClearLanguage();
  EXPECT_EQ(l.TranslateCaption(" Markieren ", 104), " Mark ");
  EXPECT_EQ(l.TranslateCaption("Schließen", 104), "Close");
  // A window made afresh in English stays English after the round trip.
  EXPECT_EQ(l.TranslateCaption("Close", 104), "Close");
  EXPECT_EQ(l.TranslateCaption("Mark", 104), "Mark");
}

TEST(DefaultLanguageCode, SystemNamesToFileCodes) {
  struct Row {
    const char* system;
    const char* region;
    const char* code;
  };
  const Row rows[] = {
      {"SVE", "", "SE"},  {"sv", "SE", "SE"}, {"ENU", "", ""},    {"en", "GB", ""},
      {"DAN", "", "DK"},  {"GER", "", "DE"},  {"de", "AT", "DE"}, {"JPN", "", "JP"},
      {"ja", "JP", "JP"}, {"ko", "", "KR"},   {"cs", "", "CZ"},   {"es", "ES", "SP"},
      {"el", "", "GR"},   {"ar", "JO", "JO"}, {"zh", "CN", "CN"}, {"zh", "tw", "B5"},
      {"fr", "CA", "FR"}, {"C", "", ""},      {"POSIX", "", ""},  {"", "", ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(DefaultLanguageCode(row.system, row.region), row.code) << row.system;
  EXPECT_EQ(ParseLocaleName("sv_SE.UTF-8@euro").language, "sv");
  EXPECT_EQ(ParseLocaleName("zh_TW.UTF-8").territory, "TW");
  EXPECT_EQ(ParseLocaleName("C").language, "C");
}

}  // namespace
}  // namespace meridiana
