#include "foundation/text_format.h"

#include <cstdio>
#include <new>

namespace meridiana {

std::optional<std::string> FormatTextV(const char* format, va_list args) {
  if (!format) return std::nullopt;
  constexpr std::size_t kFirst = 1024;
  constexpr std::size_t kStep = 2048;
  try {
    std::string buffer(kFirst, '\0');
    for (;;) {
      va_list copy;
      va_copy(copy, args);
      const int n = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
      va_end(copy);
      if (n < 0) return std::nullopt;
      const auto needed = static_cast<std::size_t>(n);
      if (needed < buffer.size()) {
        buffer.resize(needed);
        return buffer;
      }
      // The first attempt tells the length; step up to the first size that holds it.
      std::size_t size = buffer.size();
      while (size <= needed) size += kStep;
      buffer.assign(size, '\0');
    }
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::string> FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  auto text = FormatTextV(format, args);
  va_end(args);
  return text;
}

}  // namespace meridiana
