#pragma once
// Whether this copy is the newest: the service names the newest version in one line of text.

#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

// The version on the reply's first line ("1.2.10"): digits and dots, at most 32 characters;
// none when the line is anything else.
std::optional<std::string> NewestVersion(std::string_view body);
// Below 0, 0 or above 0 as a is older than, the same as or newer than b, part by part as
// numbers ("0.10" is newer than "0.9"; a missing part counts as 0).
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace meridiana
