#pragma once
// The program's names: the display name shown in titles and used in registry keys, the product
// code, the application registry key and the base name taken from the executable's file name.

#include <string>
#include <string_view>

#include "foundation/key_value_store.h"  // kAppKey, the application registry key

namespace meridiana {

class KeyValueStore;

inline constexpr std::string_view kDisplayName = "Quillary Meridiana";
inline constexpr std::string_view kDefaultProductCode = "MDEN";
// The name of the single-instance lock.
inline constexpr std::string_view kInstanceName = "Meridiana2";

// The file name without its folder, cut at the last "." and then at the last "_"
// ("/opt/q/meridiana_x64.bin" gives "meridiana").
std::string ProgramBaseName(std::string_view executablePath);

// The product code: the local-machine value "code" under the application key when it is set and
// at most 9 characters long, else the default. A longer value does not fit the value buffer the
// code is read into, so it is treated as absent.
std::string ProductCode(const KeyValueStore& store);

}  // namespace meridiana
