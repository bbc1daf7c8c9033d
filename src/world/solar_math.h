#pragma once
// The single-precision steps of the solar computation, shared by ComputeSolarPosition and the
// map's shadow pass. The shadow pass hoists the per-instant, per-row and per-column parts out of
// its pixel loop; because both sides call these same functions with the same operands, every
// pixel gets the bits the per-pixel computation would give.

#include <cmath>

namespace meridiana::solar {

inline constexpr float kDegToRad = 0.0174532925f;
inline constexpr float kRadToDeg = 57.2957795f;

inline float SinDeg(float x) { return std::sin(x * kDegToRad); }
inline float CosDeg(float x) { return std::cos(x * kDegToRad); }
inline float AsinDeg(float x) { return std::asin(x) * kRadToDeg; }
inline float AcosDeg(float x) { return std::acos(x) * kRadToDeg; }
inline float Atan2Deg(float y, float x) { return std::atan2(y, x) * kRadToDeg; }

// Subtract 360 times the whole part of x / 360, then bring a negative result into 0..360.
inline float Reduce360(float x) {
  x -= 360.0f * std::trunc(x / 360.0f);
  if (x < 0.0f) x += 360.0f;
  return x;
}

// Local sidereal time (degrees) at a longitude, from Greenwich sidereal time in hours.
inline float LocalSiderealTime(float greenwichSiderealTime, float longitude) {
  return Reduce360(greenwichSiderealTime * 15.0f + longitude);
}

// Hour angle in -180..180 from local sidereal time and right ascension.
inline float HourAngle(float localSiderealTime, float rightAscension) {
  float h = localSiderealTime - rightAscension;
  if (h < -180.0f) h += 360.0f;
  if (h > 180.0f) h -= 360.0f;
  return h;
}

// The two latitude-dependent products of the zenith's cosine, in the order the full expression
// sin(decl) * sin(lat) + cos(decl) * cos(lat) * cos(hourAngle) evaluates them.
struct ZenithRow {
  float sinProduct;  // sin(decl) * sin(lat)
  float cosProduct;  // cos(decl) * cos(lat)
};

inline ZenithRow ZenithRowFactors(float sinDeclination, float cosDeclination, float latitude) {
  return {sinDeclination * SinDeg(latitude), cosDeclination * CosDeg(latitude)};
}

inline float CosZenith(const ZenithRow& row, float cosHourAngle) {
  float k = row.sinProduct + row.cosProduct * cosHourAngle;
  if (k < -1.0f) k = -1.0f;
  if (k > 1.0f) k = 1.0f;
  return k;
}

// Zenith angle without refraction, capped at 99 degrees, from its clamped cosine.
inline float ZenithFromCos(float k) {
  const float zenith = AcosDeg(k);
  return zenith > 99.0f ? 99.0f : zenith;
}

inline float ElevationFromZenith(float zenith) { return 90.0f - zenith; }

}  // namespace meridiana::solar
