#pragma once
// Asking a desktop tool (xdg-settings, gsettings) for one value: the tool is run directly, with
// an argument vector and no shell.

#include <string>
#include <vector>

namespace meridiana {

// The first line a program prints on standard output; "" when it cannot run or exits with an
// error. At most a few kilobytes are read.
std::string FirstLineOf(const std::string& program, const std::vector<std::string>& args);

}  // namespace meridiana
