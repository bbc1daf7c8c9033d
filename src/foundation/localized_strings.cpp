#include "foundation/localized_strings.h"

#include <cstdlib>

#include "foundation/text_util.h"

namespace meridiana {
namespace {

// "\r", "\n" and "\t" become the characters they name; with allowBackslash "\\" becomes "\".
std::string Unescape(std::string_view text, bool allowBackslash) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      const char n = text[i + 1];
      const char plain = n == 'r' ? '\r' : n == 'n' ? '\n' : n == 't' ? '\t' : '\0';
      if (plain || (allowBackslash && n == '\\')) {
        out += plain ? plain : '\\';
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::string WithoutBraces(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != '{' && c != '}') out += c;
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Lines split at runs of CR and LF.
template <typename Each>
void ForEachLine(std::string_view text, Each each) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) each(text.substr(start, end - start));
    start = text.find_first_not_of("\r\n", end);
    if (start == std::string_view::npos) break;
  }
}

std::string Keyed(std::string_view text, int id) {
  return std::string(text) + ":" + std::to_string(id);
}

}  // namespace

std::string StripMnemonics(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

StringTable ParseStringTable(std::string_view text) {
  StringTable table;
  ForEachLine(text, [&](std::string_view line) {
    if (line.empty() || line.front() == ';') return;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return;
    const std::string id(line.substr(0, tab));
    char* end = nullptr;
    const long value = std::strtol(id.c_str(), &end, 10);
    if (*end != '\0' || value < 0 || value > 0x7FFFFFFF) return;
    table[static_cast<int>(value)] = Unescape(line.substr(tab + 1), true);
  });
  return table;
}

Localizer::Localizer(StringTable table) : table_(std::move(table)) {
  for (std::string& buffer : buffers_) buffer.reserve(1024);
}

const char* Localizer::LocalizedText(int id) {
  nextBuffer_ = (nextBuffer_ + 1) % static_cast<int>(buffers_.size());
  std::string& buffer = buffers_[static_cast<std::size_t>(nextBuffer_)];
  const auto it = table_.find(id);
  buffer = it == table_.end() ? std::string() : it->second;
  if (!buffer.empty()) {
    if (const std::int32_t hit = TrieFind(translations_, buffer.c_str()))
      buffer = translatedTexts_[static_cast<std::size_t>(hit - 1)];
  }
  return buffer.c_str();
}

void Localizer::ClearLanguage() {
  TrieFree(&translations_);
  translatedTexts_.clear();
  loaded_ = false;
  fileLanguage_.clear();
  fontFace_.clear();
}

void Localizer::AddTranslation(const std::string& english, std::string translation) {
  translatedTexts_.push_back(std::move(translation));
  TrieInsert(&translations_, english.c_str(), static_cast<std::int32_t>(translatedTexts_.size()));
}

std::string Localizer::LoadLanguageText(std::string_view text) {
  ClearLanguage();
  loaded_ = true;
  int context = 0;
  std::optional<std::string> pending;
  bool keepBraces = false;  // Japanese translations use braces as text
  ForEachLine(text, [&](std::string_view raw) {
    const std::string line =
        raw.find('\\') == std::string_view::npos ? std::string(raw) : Unescape(raw, false);
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '<') {
      context = std::atoi(line.c_str() + 1);
    } else if (StartsWith(line, "E=")) {
      std::string english = line.substr(2);
      if (const std::size_t at = english.find("%PRODUCT%"); at != std::string::npos)
        english.replace(at, 9, kProductDisplayName);
      english = WithoutBraces(english);
      if (context != 0) english = Keyed(english, context);
      pending = std::move(english);
    } else if (StartsWith(line, "T=")) {
      if (pending && line.substr(2) != "*") {
        const std::string translation = keepBraces ? line.substr(2) : WithoutBraces(line.substr(2));
        AddTranslation(*pending, translation);
        // "Zoom In:1008" also serves the plain "Zoom In" (the same text as a tool tip), where a
        // menu's mnemonic marker has no place.
        const std::size_t colon = pending->rfind(':');
        if (colon != std::string::npos && colon + 1 < pending->size())
          AddTranslation(pending->substr(0, colon), StripMnemonics(translation));
      }
      pending.reset();
    } else if (StartsWith(line, "F_FACE=")) {
      fontFace_ = line.substr(7);
    } else if (StartsWith(line, "lang=")) {
      fileLanguage_ = Lower(line.substr(5));
      keepBraces = fileLanguage_ == "jp";
    }
    // F_WIDTH= and F_HEIGHT= are recorded by the format but not applied; anything else is
    // ignored.
  });
  return fileLanguage_;
}

std::optional<std::string> Localizer::Translation(std::string_view key) const {
  const std::string k(key);
  if (const std::int32_t hit = TrieFind(translations_, k.c_str()))
    return translatedTexts_[static_cast<std::size_t>(hit - 1)];
  return std::nullopt;
}

std::string Localizer::TranslateCaption(std::string_view text, int dialogId) {
  const std::size_t last = text.find_last_not_of("\t\n\r ");
  if (last == std::string_view::npos) return std::string(text);
  const bool trailing = last + 1 < text.size();
  const std::size_t first = text.find_first_not_of(' ');
  const bool leading = first > 0;
  const std::string_view core = text.substr(first, last + 1 - first);

  const std::string plain = StripMnemonics(core);
  const std::string key = Keyed(plain, dialogId);
  std::optional<std::string> result;
  if (loaded_) {
    result = Translation(key);
    if (!result) result = Translation(plain);
  } else if (const std::int32_t hit = TrieFind(englishTexts_, key.c_str())) {
    result = originalTexts_[static_cast<std::size_t>(hit - 1)];
  }
  const std::string shown = result ? *result : std::string(core);
  // Only a translated caption needs a way back. Recording the English one too would map an
  // English caption to the language just left, and a dialog opened later in English would come
  // up in that language.
  if (loaded_) {
    originalTexts_.emplace_back(core);
    TrieInsert(&englishTexts_, Keyed(StripMnemonics(shown), dialogId).c_str(),
               static_cast<std::int32_t>(originalTexts_.size()));
  }
  return (leading ? " " : "") + shown + (trailing ? " " : "");
}

std::string Localizer::MenuText(std::string_view text, int menuId) const {
  if (std::optional<std::string> hit = Translation(Keyed(StripMnemonics(text), menuId)))
    return *hit;
  return std::string(text);
}

std::string DefaultLanguageCode(std::string_view systemName, std::string_view region) {
  if (systemName.empty() || systemName == "C" || systemName == "POSIX") return {};
  std::string code;
  for (char c : systemName.substr(0, 2)) code += AsciiUpper(c);
  struct Row {
    const char* system;
    const char* code;
  };
  // The first rows name languages by their desktop abbreviations; the last by their ISO 639
  // codes as POSIX locales give them, mapped to the codes of the language files.
  static constexpr Row kRows[] = {
      {"EN", "EN"}, {"DA", "DK"}, {"GE", "DE"}, {"SV", "SE"}, {"SW", "SE"},
      {"CH", "CN"}, {"JA", "JP"}, {"JP", "JP"}, {"SP", "ES"}, {"KO", "KR"},
      {"CS", "CZ"}, {"ES", "SP"}, {"EL", "GR"}, {"AR", "JO"}, {"ZH", "CN"},
  };
  for (const Row& row : kRows) {
    if (code == row.system) {
      code = row.code;
      break;
    }
  }
  if (code == "CN") {
    std::string territory;
    for (char c : region) territory += AsciiUpper(c);
    if (territory == "TW" || territory == "HK" || territory == "MO") code = "B5";
  }
  return code == "EN" ? std::string() : code;
}

LocaleName ParseLocaleName(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  const std::size_t underscore = name.find('_');
  if (underscore == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, underscore)), std::string(name.substr(underscore + 1))};
}

}  // namespace meridiana
