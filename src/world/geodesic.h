#pragma once
// Distance and direction between two places, along the shortest path on the WGS84 ellipsoid
// (GeographicLib's geodesic solution, exact to nanometres, nearly antipodal points included).

#include <optional>
#include <string>
#include <string_view>

#include "world/city.h"
#include "world/locale_info.h"

namespace meridiana {

struct WorldData;

struct GeoPoint {
  double latitude = 0;   // degrees, north positive, -90 to 90
  double longitude = 0;  // degrees, east positive
};

struct GeodesicPath {
  double meters = 0;
  // Degrees clockwise from true north, 0 to under 360. None where no direction is defined: both
  // for the same point; the initial one leaving a pole, the final one arriving at a pole (every
  // direction there is south, or north).
  std::optional<double> initialBearing;
  std::optional<double> finalBearing;
};

GeodesicPath GeodesicBetween(GeoPoint from, GeoPoint to);

// "LAT,LON" in decimal degrees, blanks allowed around each ("-33.87,151.21"); none when either
// is not a number or lies outside -90..90, -180..180.
std::optional<GeoPoint> ParseLatLon(std::string_view text);

enum class DistanceUnit { kKilometres, kMiles };

// The compass point of a bearing: one of the eight, made of the hemisphere letters ("NE").
struct CompassLetters {
  std::string north = "N";
  std::string south = "S";
  std::string east = "E";
  std::string west = "W";
};
std::string CompassPoint(double bearing, const CompassLetters& letters);

// "8,920 km 42° NE": whole kilometres or miles with `grouping` between thousands, then the
// initial bearing in whole degrees and its compass point; without a bearing the distance alone.
std::string DistanceBearingText(const GeodesicPath& path, DistanceUnit unit,
                                std::string_view grouping, const CompassLetters& letters = {});

// The home city: the one the setting names (resolved as a typed name is, or by the full label
// HomeSettingText writes for a namesake), else the city of the computer's zone (hostZoneCity,
// may be null).
const City* HomeCity(const WorldData& world, std::string_view setting, const City* hostZoneCity);

// The text that names the city in the setting: its name when that resolves back to it, else the
// name with its state and country ("Springfield, Illinois, United States") to tell namesakes
// apart. Entries that share all three with another have no text of their own.
std::string HomeSettingText(const WorldData& world, const City& city);

// DistanceBearingText from home to a point in the locale's unit and digit grouping; empty
// without a home.
std::string FromHomeText(const City* home, GeoPoint to, const LocaleInfo& locale,
                         const CompassLetters& letters = {});

inline GeoPoint PlaceOf(const City& city) { return {city.latitude, city.longitude}; }

}  // namespace meridiana
