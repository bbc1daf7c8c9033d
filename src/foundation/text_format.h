#pragma once
// printf-style formatting into a string that grows until the text fits.

#include <cstdarg>
#include <optional>
#include <string>

namespace meridiana {

// The formatted text, or nothing for a null format, an encoding error or out of memory.
// Formats into 1024 bytes first and retries with 2048 bytes more until the text fits.
std::optional<std::string> FormatTextV(const char* format, va_list args)
    __attribute__((format(printf, 1, 0)));
std::optional<std::string> FormatText(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace meridiana
