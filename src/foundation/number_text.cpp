#include "foundation/number_text.h"

#include <algorithm>
#include <cstdio>

namespace meridiana {

std::string IntToText(std::int32_t value) { return std::to_string(value); }

std::string FloatToText(double value, int decimals) {
  decimals = std::clamp(decimals, 0, 40);
  // The longest double in %f with 40 decimals is 1 + 309 + 1 + 40 characters, so this buffer
  // always holds it (the fixed 50-character buffer of old overflowed for large values).
  char text[400];
  const int n = std::snprintf(text, sizeof text, "%.*f", decimals, value);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof text) return {};
  return std::string(text, static_cast<std::size_t>(n));
}

}  // namespace meridiana
