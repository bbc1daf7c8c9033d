#pragma once
// The container of the reference tables: magic 0x01E76A1A, the plain length (little-endian
// signed 32-bit), then one zlib stream holding the text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

inline constexpr unsigned kPackedDataMagic = 0x01E76A1Au;

// The inflated text of a packed data file, or nothing for a missing or unreadable file, a wrong
// magic, a negative length or a stream that is corrupt or inflates past the stated length. A
// stream that inflates to fewer bytes than stated is accepted: the text ends after them.
std::optional<std::string> ReadPackedDataFile(const char* name);

// The same on bytes already in memory.
std::optional<std::string> UnpackData(std::string_view bytes);

// The packed form of a text (the writer behind `meridiana-cli pack`); empty when the text is
// longer than the format's 32-bit length or cannot be compressed.
std::string PackData(std::string_view text);

}  // namespace meridiana
