#pragma once
// The status-bar texts of the pointer read-out: latitude (part 1), longitude (part 2) and the
// local time under the pointer (part 4).

#include <string>

#include "map/map_view.h"
#include "world/locale_info.h"

namespace meridiana {

inline constexpr int kStatusLatitudePart = 1;
inline constexpr int kStatusLongitudePart = 2;
inline constexpr int kStatusLocalTimePart = 4;

struct PointerStatusTexts {
  std::string latitude;   // "%0.2f"
  std::string longitude;  // "%0.2f"
  std::string localTime;  // month/day/year and clock, with the locale's date separator
};

PointerStatusTexts PointerStatus(const PointerReadOut& readOut, const LocaleInfo& locale);

// The date separator of the desktop's locale: the first character of its short date format that
// is not part of a date field ("/" in "M/d/yy", "." in "dd.MM.yy"); empty when there is none.
class DesktopLocaleInfo : public LocaleInfo {
 public:
  std::string DateSeparator() const override;
};

}  // namespace meridiana
