#pragma once
// The INI-style text of the settings files: "[key path]" lines, then "name=value" lines.
//
// Any byte string round-trips: control bytes are written as \n, \r, \t or \xHH, and a backslash
// is doubled only where it would otherwise start one of those escapes, so key paths such as
// "Software\QUILLARY\Meridiana" stay readable and hand-written files need no escaping. Leading
// and trailing blanks, and "=" in names, are escaped too, because the reader trims and splits.

#include <string>
#include <string_view>

#include "foundation/key_value_table.h"

namespace meridiana {

std::string FormatIniText(const KeyValueTable& table);
// Lines starting with ";" or "#" are comments; lines without "=" outside a section header are
// ignored. Values before the first header belong to the key path "".
KeyValueTable ParseIniText(std::string_view text);

}  // namespace meridiana
