#pragma once
// The interface texts compiled into the program: the string table (strings.txt), the menus
// (menus.txt) and the dialog texts (dialogs.txt), in English.

#include <string_view>

namespace meridiana::resources {

std::string_view StringTableText();
std::string_view MenuText();
std::string_view DialogText();

}  // namespace meridiana::resources
