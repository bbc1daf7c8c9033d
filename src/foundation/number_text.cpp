#include "foundation/number_text.h"

#include <algorithm>
#include <cstdio>

namespace meridiana {

std::string IntToText(std::int32_t value) { return std::to_string(value); }

std::string FloatToText(double value, int decimals) {
  decimals = std::clamp(decimals, 0, 40);
  // A fixed buffer would overflow for large values; size the text first.
  const int n = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  if (n < 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

}  // namespace meridiana
