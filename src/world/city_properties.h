#pragma once
// Everything the Properties dialog shows about one city, computed for the present instant. The
// command line prints the same texts.

#include <string>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "world/locale_info.h"
#include "world/world_data.h"

namespace meridiana {

struct CityProperties {
  std::string name;
  std::string country;      // empty when the city's zone key matches no zone
  std::string countryCode;  // the country's calling code(s)
  std::string areaCodes;    // the city's area codes, " a, b"
  float utcOffsetHours = 0.0f;
  int savingMinutes = 0;
  TimeValue localTime = 0;    // now shifted by offset and saving
  std::string localTimeText;  // the locale's short date and the clock time
  std::string sunrise;        // zone standard time, saving not added
  std::string sunset;
  std::string clockSunrise;  // upper limb with refraction, clock time with saving, "HH:MM"
  std::string clockSunset;
  // Civil, nautical and astronomical dawn and dusk in clock time, or the words of a day that
  // does not have them.
  std::string civilDawn, civilDusk, nauticalDawn, nauticalDusk, astronomicalDawn, astronomicalDusk;
  std::string latitude;  // "%.2f"
  std::string longitude;
  std::string dstStarts;  // "DD MON" of this year's changes; empty without a rule
  std::string dstEnds;
};

// (x, y) is the base-map point whose time-zone colour gives the standard offset: the point the
// user right-clicked, or the city's own point.
CityProperties CityPropertiesOf(const WorldData& world, const Dib* tzImage, int x, int y,
                                const City& city, const Clock& clock, const LocaleInfo& locale);

}  // namespace meridiana
