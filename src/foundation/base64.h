#pragma once
// Base64 with the standard alphabet and "=" padding, no line breaks.

#include <string>
#include <string_view>

namespace meridiana {

std::string Base64Encode(std::string_view data);

}  // namespace meridiana
