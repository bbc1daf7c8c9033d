#pragma once
// The status-bar texts of the pointer read-out: latitude (part 1), longitude (part 2), the
// local time under the pointer (part 4) and the distance and bearing from home (part 5).

#include <string>

#include "map/map_view.h"
#include "world/geodesic.h"
#include "world/locale_info.h"

namespace meridiana {

inline constexpr int kStatusLatitudePart = 1;
inline constexpr int kStatusLongitudePart = 2;
inline constexpr int kStatusLocalTimePart = 4;
inline constexpr int kStatusFromHomePart = 5;

// The string ids of the hemisphere letters N, S, E and W.
inline constexpr int kNorthText = 1550;
inline constexpr int kSouthText = 1551;
inline constexpr int kEastText = 1552;
inline constexpr int kWestText = 1553;

// The letters of the hemispheres, in the interface language; the compass points are made of them.
using HemisphereLetters = CompassLetters;

struct PointerStatusTexts {
  std::string latitude;   // "51.51° N": degrees without a sign, then the hemisphere
  std::string longitude;  // "0.13° W"; 0.00° has no hemisphere
  std::string localTime;  // the locale's short date and the clock; month/day/year when it has none
};

PointerStatusTexts PointerStatus(const PointerReadOut& readOut, const LocaleInfo& locale,
                                 const HemisphereLetters& letters = {});

// The part a message for the status bar goes to: the read-out's parts are too narrow for a
// sentence and are overwritten on the next pointer move, so messages meant for them go to the
// message part 0.
int StatusMessagePart(int part);

// The date separator of the desktop's locale: the first character of its short date format that
// is not part of a date field ("/" in "M/d/yy", "." in "dd.MM.yy"); empty when there is none.
class DesktopLocaleInfo : public LocaleInfo {
 public:
  std::string DateSeparator() const override;
  // From QLocale's short formats of the default locale (the desktop's unless a program or test
  // sets another).
  std::string ShortDate(int year, int month, int day) const override;
  std::string ShortHour(int hour) const override;
  std::string DayAndMonth(int month, int day) const override;
  // Miles where the locale measures in imperial units, American or British.
  bool MeasuresInMiles() const override;
  std::string DigitGroupSeparator() const override;
};

}  // namespace meridiana
