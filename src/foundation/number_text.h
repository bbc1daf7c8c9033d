#pragma once
// Numbers as text.

#include <cstdint>
#include <string>

namespace meridiana {

// Decimal text of a signed 32-bit value, "-" in front of negatives.
std::string IntToText(std::int32_t value);
// The value printed with "%.<decimals>f"; decimals are kept within 0..40.
std::string FloatToText(double value, int decimals);

}  // namespace meridiana
