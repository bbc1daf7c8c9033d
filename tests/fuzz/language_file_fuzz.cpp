// libFuzzer harness for the language-file reader: the input is read as a language file's text,
// then every string, menu text and caption lookup the interface makes is tried on it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/localized_strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace meridiana;
  static const StringTable kTable = ParseStringTable("1394\tShow Day Map\n1432\tLoading...\n");
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Localizer localizer(kTable);
  localizer.LoadLanguageText(text);
  std::size_t sink = std::string_view(localizer.LocalizedText(1394)).size();
  sink += localizer.MenuText("Zoom &In", 1008).size();
  const std::string caption = localizer.TranslateCaption(" Mark\t", 104);
  localizer.ClearLanguage();
  sink += localizer.TranslateCaption(caption, 104).size();
  // The input as a string table too: the same line reader with another line format.
  sink += ParseStringTable(text).size();
  volatile std::size_t keep = sink;
  (void)keep;
  return 0;
}
