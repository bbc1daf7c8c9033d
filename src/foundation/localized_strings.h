#pragma once
// The program's texts in the active language. The English texts come from the string table of
// the program's resources; a language file maps English texts (optionally tied to a menu or
// dialog id) to translations. One Localizer lives for the whole run; the shell translates its
// menus and windows through it.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_trie.h"

namespace meridiana {

// The product name as the program shows it, also what "%PRODUCT%" stands for in language files.
inline constexpr char kProductDisplayName[] = "Quillary Meridiana";

// The text without its mnemonic markers: "&x" becomes "x", "&&" one "&". Menu and dialog texts
// are looked up this way, so translations carry their own markers.
std::string StripMnemonics(std::string_view text);

// English texts by string id.
using StringTable = std::map<int, std::string>;

// Reads "ID<TAB>text" lines; ";" starts a comment line, "\n", "\t", "\r" and "\\" are escapes.
// Lines that are not of that form are skipped.
StringTable ParseStringTable(std::string_view text);

class Localizer {
 public:
  explicit Localizer(StringTable table = {});

  // The string-table text of id in the active language, in one of 10 buffers used in turn: the
  // text stays valid until ten further calls. A missing id gives "".
  const char* LocalizedText(int id);

  // Replaces the translation table with the pairs of a language file's text (every line rule of
  // the format); the file's language code, lower-cased, or "" when the file names none.
  std::string LoadLanguageText(std::string_view text);
  // Back to English: no translation table, no file language.
  void ClearLanguage();

  // True while a language file is loaded (its table may be empty).
  bool hasTranslations() const { return loaded_; }
  // The "lang=" code of the loaded file, lower-cased; "" for none.
  const std::string& fileLanguage() const { return fileLanguage_; }
  bool rightToLeft() const { return fileLanguage_ == "jo"; }
  // Whether the loaded file named a font face (the shell then makes a dialog font).
  bool namesFontFace() const { return !fontFace_.empty(); }

  // The translation of an exact key ("Zoom In" or "Zoom In:1008"), if the table has one.
  std::optional<std::string> Translation(std::string_view key) const;

  // A window or control caption translated for dialog id, as a window shows it: surrounding
  // blanks are noted and put back as one space each; the key "text:id" is looked up, then the
  // text alone. Without a language the English-text table restores what an earlier call
  // replaced; every translated result is recorded there, so switching back restores it.
  std::string TranslateCaption(std::string_view text, int dialogId);
  // A menu item's text to draw: the translation of "text:menuId" (markers stripped from the
  // key), or the text itself.
  std::string MenuText(std::string_view text, int menuId) const;

  const StringTable& table() const { return table_; }

 private:
  void AddTranslation(const std::string& english, std::string translation);

  StringTable table_;
  StringTrie translations_;
  std::vector<std::string> translatedTexts_;  // trie values are 1-based indices into this
  StringTrie englishTexts_;
  std::vector<std::string> originalTexts_;
  bool loaded_ = false;
  std::string fileLanguage_;
  std::string fontFace_;
  std::array<std::string, 10> buffers_;
  int nextBuffer_ = -1;
};

// The language code a system language name gives: cut to two letters, upper-cased, then mapped
// (DA -> DK, SV -> SE, JA -> JP, KO -> KR, CS -> CZ, ...). "" means English, as do the "C" and
// "POSIX" locales. region is the locale's territory ("TW"), which tells the two Chinese scripts
// apart.
std::string DefaultLanguageCode(std::string_view systemName, std::string_view region = {});

// The language part and territory of a POSIX locale name such as "sv_SE.UTF-8@euro".
struct LocaleName {
  std::string language;
  std::string territory;
};
LocaleName ParseLocaleName(std::string_view name);

}  // namespace meridiana
