#pragma once
// Finding and loading the language files: "lang/lang_<code>.dat", packed data files holding the
// text of one translation.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/localized_strings.h"

namespace meridiana {

// The path of a language's file as the program names it ("lang/lang_se.lng"; the file on disk
// ends in ".dat"), from the first folder that holds it: the user folder, then the installed
// data. The code is taken in lower case; nothing for a code that is not 1 to 8 letters or
// digits, or when no folder has the file.
std::optional<std::string> LanguageFilePath(std::string_view code,
                                            const std::vector<std::string>& folders);

// Replaces the localizer's translations with a language file: a path with a "." that names an
// existing file is read as plain text, anything else is taken as a code and its packed file
// read. An empty argument or a file that cannot be read leaves the interface in English. The
// file's language code, or "".
std::string LoadLanguage(Localizer& localizer, std::string_view codeOrPath,
                         const std::vector<std::string>& folders);

}  // namespace meridiana
