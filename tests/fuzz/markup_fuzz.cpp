// libFuzzer harness for the markup scanner, as a service reply of unknown origin meets it: the
// scan (plain and split into sentences), every tag's name and a few attributes, and the entity
// decoder and tag strippers on the same text. The tokens' texts must put the input back together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "online/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t sink = 0;
  for (int options : {0, meridiana::kMarkupSplitSentences}) {
    std::string joined;
    for (const meridiana::MarkupToken& token : meridiana::ScanMarkup(text, options)) {
      joined += token.text;
      if (const auto name = meridiana::TagName(token)) sink += name->size();
      for (const char* attribute : {"t", "m", "n", "lat"}) {
        if (const auto value = meridiana::AttributeValue(token, attribute)) sink += value->size();
        sink += static_cast<std::size_t>(meridiana::AttributeInt(token, attribute));
      }
    }
    if (joined != text) std::abort();  // nothing lost, nothing made up
  }
  std::string decoded(text);
  meridiana::DecodeEntities(decoded);
  std::string stripped(text);
  meridiana::StripTagsToBlanks(stripped);
  volatile std::size_t keep = sink + decoded.size() + stripped.size();
  (void)keep;
  return 0;
}
