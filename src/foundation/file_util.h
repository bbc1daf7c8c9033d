#pragma once
// Whole-file reading and writing.

#include <cstddef>
#include <optional>
#include <string>

namespace meridiana {

class UserNotice;

// All bytes of the file (the string's own NUL terminates them), or nothing when the file cannot
// be opened or read. Running out of memory shows "Out of memory error" through notice, if given.
std::optional<std::string> ReadWholeFile(const char* path, UserNotice* notice = nullptr);

// Writes the bytes to a temporary file beside path and renames it over path, so the file is
// written whole or not at all. False for a null path, null data with a non-zero count, or any
// failure to create, write or rename.
bool WriteWholeFile(const char* path, const void* data, std::size_t count);

}  // namespace meridiana
