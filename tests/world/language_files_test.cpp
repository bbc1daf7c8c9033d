#include "world/language_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "world/packed_data_file.h"

namespace meridiana {
namespace {

TEST(LanguageFiles, FoundInTheUserFolderFirstAndLoadedPacked) {
  TempDir user, data;
  std::filesystem::create_directories(user.File("lang"));
  std::filesystem::create_directories(data.File("lang"));
  data.Write("lang/lang_se.dat", PackData("lang=se\nE=Refresh\nT=Uppdatera\n"));
  data.Write("lang/lang_de.dat", PackData("lang=de\nE=Refresh\nT=Aktualisieren\n"));
  user.Write("lang/lang_de.dat", PackData("lang=de\nE=Refresh\nT=Neu laden\n"));
  const std::vector<std::string> folders = {user.path(), data.path()};

  EXPECT_EQ(LanguageFilePath("SE", folders), data.path() + "/lang/lang_se.lng");
  EXPECT_EQ(LanguageFilePath("de", folders), user.path() + "/lang/lang_de.lng");
  for (const char* bad : {"fr", "", "../se", "s/e", "verylongcode"})
    EXPECT_FALSE(LanguageFilePath(bad, folders)) << bad;

  Localizer l(ParseStringTable("1412\tRefresh\n"));
  EXPECT_EQ(LoadLanguage(l, "DE", folders), "de");
  EXPECT_STREQ(l.LocalizedText(1412), "Neu laden");
  // A path with a dot is read as plain text.
  const std::string plain = user.Write("mine.txt", "lang=SE\nE=Refresh\nT=Ladda om\n");
  EXPECT_EQ(LoadLanguage(l, plain, folders), "se");
  EXPECT_STREQ(l.LocalizedText(1412), "Ladda om");
  // No file, or a file that is not packed: English.
  user.Write("lang/lang_it.dat", "lang=it\nE=Refresh\nT=Aggiorna\n");
  for (const char* none : {"fr", "it", ""}) {
    EXPECT_EQ(LoadLanguage(l, none, folders), "") << none;
    EXPECT_STREQ(l.LocalizedText(1412), "Refresh");
    EXPECT_FALSE(l.hasTranslations());
  }
}

}  // namespace
}  // namespace meridiana
