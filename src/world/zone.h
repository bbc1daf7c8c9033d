#pragma once
// The time zones of tz_data.dat: which country a zone belongs to and which daylight-saving rule
// it follows. A city finds its zone through its zone key.

#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

struct Zone {
  std::string country;   // display name of the country
  std::string zoneCity;  // the place part of the zone name (after its last "/")
  std::string ruleName;  // name of the zone's daylight-saving rule, or one that matches none
  float longitude = 0.0f;
  float latitude = 0.0f;
  bool picked = false;   // check state of the country's row in the city selector
  std::string zoneName;  // the whole zone name ("Europe/London")
};

// Reads tz_data.dat text: a header line, then per line country, latitude, longitude, zone name,
// two unread columns and the rule name, which a TAB must follow. A line with too few columns
// ends the reading; the record it started is kept with what was read.
std::vector<Zone> ParseZones(std::string_view text);

}  // namespace meridiana
