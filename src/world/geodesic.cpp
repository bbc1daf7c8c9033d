#include "world/geodesic.h"

#include <GeographicLib/Geodesic.hpp>
#include <charconv>
#include <cmath>

#include "world/city_search.h"
#include "world/table_text.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

// GeographicLib's azimuths run from -180 to 180.
double Clockwise(double azimuth) {
  const double bearing = std::fmod(azimuth + 360.0, 360.0);
  return bearing >= 360.0 ? 0.0 : bearing;
}

bool AtPole(double latitude) { return std::fabs(latitude) >= 90.0; }

std::optional<double> Degrees(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string Grouped(long long value, std::string_view grouping) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += grouping;
    out += digits[i];
  }
  return out;
}

}  // namespace

GeodesicPath GeodesicBetween(GeoPoint from, GeoPoint to) {
  double meters = 0;
  double azimuth1 = 0;
  double azimuth2 = 0;
  GeographicLib::Geodesic::WGS84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude,
                                           meters, azimuth1, azimuth2);
  GeodesicPath path;
  path.meters = meters;
  if (meters == 0) return path;
  if (!AtPole(from.latitude)) path.initialBearing = Clockwise(azimuth1);
  if (!AtPole(to.latitude)) path.finalBearing = Clockwise(azimuth2);
  return path;
}

std::optional<GeoPoint> ParseLatLon(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::optional<double> latitude = Degrees(text.substr(0, comma));
  const std::optional<double> longitude = Degrees(text.substr(comma + 1));
  if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
    return std::nullopt;
  return GeoPoint{*latitude, *longitude};
}

std::string CompassPoint(double bearing, const CompassLetters& l) {
  const int point = static_cast<int>(std::floor(Clockwise(bearing) / 45.0 + 0.5)) % 8;
  switch (point) {
    case 0:
      return l.north;
    case 1:
      return l.north + l.east;
    case 2:
      return l.east;
    case 3:
      return l.south + l.east;
    case 4:
      return l.south;
    case 5:
      return l.south + l.west;
    case 6:
      return l.west;
    default:
      return l.north + l.west;
  }
}

std::string DistanceBearingText(const GeodesicPath& path, DistanceUnit unit,
                                std::string_view grouping, const CompassLetters& letters) {
  const bool miles = unit == DistanceUnit::kMiles;
  const double amount = path.meters / (miles ? 1609.344 : 1000.0);
  std::string text = Grouped(std::llround(amount), grouping) + (miles ? " mi" : " km");
  if (!path.initialBearing) return text;
  // Rounded first, so that 359.7° reads as 0° N rather than 360°.
  const long degrees = std::lround(*path.initialBearing) % 360;
  text += ' ' + std::to_string(degrees) + "\xC2\xB0 " +
          CompassPoint(static_cast<double>(degrees), letters);
  return text;
}

// "Springfield, Illinois, United States".
static std::string FullLabel(const WorldData& world, const City& city) {
  std::string text(WithoutTrailingBlanks(city.name));
  if (city.state) text += ", " + *city.state;
  if (const std::string* country = CountryOfCity(world, city)) text += ", " + *country;
  return text;
}

const City* HomeCity(const WorldData& world, std::string_view setting, const City* hostZoneCity) {
  if (setting.empty()) return hostZoneCity;
  if (const City* named = ResolveCityName(world, setting).city) return named;
  // A namesake the search cannot single out is kept by its full label.
  const City* labelled = nullptr;
  for (const City& city : world.cities) {
    if (!EqualsIgnoreCase(FullLabel(world, city), setting)) continue;
    if (labelled != nullptr) return hostZoneCity;  // twins: no label tells them apart
    labelled = &city;
  }
  return labelled != nullptr ? labelled : hostZoneCity;
}

std::string HomeSettingText(const WorldData& world, const City& city) {
  std::string name(WithoutTrailingBlanks(city.name));
  if (ResolveCityName(world, name).city == &city) return name;
  return FullLabel(world, city);
}

std::string FromHomeText(const City* home, GeoPoint to, const LocaleInfo& locale,
                         const CompassLetters& letters) {
  if (home == nullptr) return {};
  const DistanceUnit unit =
      locale.MeasuresInMiles() ? DistanceUnit::kMiles : DistanceUnit::kKilometres;
  return DistanceBearingText(GeodesicBetween(PlaceOf(*home), to), unit,
                             locale.DigitGroupSeparator(), letters);
}

}  // namespace meridiana
