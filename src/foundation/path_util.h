#pragma once
// Joining and normalising paths. The separator is a parameter (the native "/" by default) so the
// same rules serve paths written with "\" in data and settings.

#include <string>
#include <string_view>

namespace meridiana {

inline constexpr char kPathSeparator = '/';

// Both "/" and "\" become the separator and runs of separators collapse to one, except that a
// leading pair (a network path) stays.
std::string NormaliseSeparators(std::string_view path, char separator = kPathSeparator);

// Each ".." segment followed by the separator, or ending the path after a separator, removes
// itself and the segment before it; nothing is removed before the start of the path.
std::string ResolveDotSegments(std::string_view path, char separator = kPathSeparator);

// folder + separator + name, normalised and with ".." resolved. When the folder is empty the
// result is the name unchanged, when the name is empty the folder unchanged.
std::string JoinPath(std::string_view folder, std::string_view name,
                     char separator = kPathSeparator);

}  // namespace meridiana
