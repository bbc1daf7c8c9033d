#include "world/language_files.h"

#include "foundation/file_util.h"
#include "foundation/path_util.h"
#include "world/packed_data_file.h"

namespace meridiana {
namespace {

bool IsCode(std::string_view code) {
  if (code.empty() || code.size() > 8) return false;
  for (char c : code) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) return false;
  }
  return true;
}

std::string PackedName(const std::string& lngPath) {
  return lngPath.substr(0, lngPath.size() - 4) + ".dat";
}

}  // namespace

std::optional<std::string> LanguageFilePath(std::string_view code,
                                            const std::vector<std::string>& folders) {
  if (!IsCode(code)) return std::nullopt;
  std::string name = "lang/lang_";
  for (char c : code) name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  for (const std::string& folder : folders) {
    const std::string path = JoinPath(folder, name + ".dat");
    if (FileExists(path.c_str())) return path.substr(0, path.size() - 4) + ".lng";
  }
  return std::nullopt;
}

std::string LoadLanguage(Localizer& localizer, std::string_view codeOrPath,
                         const std::vector<std::string>& folders) {
  localizer.ClearLanguage();
  if (codeOrPath.empty()) return {};
  const std::string argument(codeOrPath);
  std::optional<std::string> text;
  if (argument.find('.') != std::string::npos && FileExists(argument.c_str())) {
    text = ReadWholeFile(argument.c_str());
  } else if (const std::optional<std::string> path = LanguageFilePath(argument, folders)) {
    text = ReadPackedDataFile(PackedName(*path).c_str());
  }
  if (!text) return {};
  return localizer.LoadLanguageText(*text);
}

}  // namespace meridiana
