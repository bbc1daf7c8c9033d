#include "foundation/base64.h"

#include <cstdint>

namespace meridiana {

std::string Base64Encode(std::string_view data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const std::uint32_t v = static_cast<std::uint8_t>(data[i]) << 16 |
                            static_cast<std::uint8_t>(data[i + 1]) << 8 |
                            static_cast<std::uint8_t>(data[i + 2]);
    out.push_back(kAlphabet[v >> 18]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t v = static_cast<std::uint8_t>(data[i]) << 16;
    if (rest == 2) v |= static_cast<std::uint8_t>(data[i + 1]) << 8;
    out.push_back(kAlphabet[v >> 18]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

}  // namespace meridiana
