// meridiana-cli sun: one solar query, filled as the Properties dialog fills it, with every input
// and result.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "commands.h"
#include "iso_time.h"
#include "world/solar_position.h"
#include "world/solar_texts.h"

namespace meridiana::cli {
namespace {

constexpr char kSunUsage[] =
    "usage: meridiana-cli sun [--at YYYY-MM-DDTHH:MM:SS] --lat LAT --lon LON [--tz HOURS] "
    "[--mask N]\n";

std::optional<float> ParseFloat(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const float v = std::strtof(text.c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return v;
}

std::optional<int> ParseInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -2147483647L || v > 2147483647L) return std::nullopt;
  return static_cast<int>(v);
}

void PrintInt(const char* name, int v) { std::printf("%s=%d\n", name, v); }
void PrintFloat(const char* name, float v) {
  std::printf("%s=%.9g\n", name, static_cast<double>(v));
}

}  // namespace

int RunSun(const Args& args) {
  std::optional<TimeValue> at;
  std::optional<float> lat, lon;
  float tz = 0.0f;
  int mask = kSolarMaskProperties;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "meridiana-cli sun: '%s' needs a value\n%s", flag.c_str(), kSunUsage);
      return 2;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (flag == "--at") {
      at = ParseIsoInstant(value, "sun", true);
      ok = at.has_value();
    } else if (flag == "--lat") {
      lat = ParseFloat(value);
      ok = lat.has_value();
    } else if (flag == "--lon") {
      lon = ParseFloat(value);
      ok = lon.has_value();
    } else if (flag == "--tz") {
      const auto v = ParseFloat(value);
      ok = v.has_value();
      if (ok) tz = *v;
    } else if (flag == "--mask") {
      const auto v = ParseInt(value);
      ok = v.has_value();
      if (ok) mask = *v;
    } else {
      std::fprintf(stderr, "meridiana-cli sun: unknown option '%s'\n%s", flag.c_str(), kSunUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "meridiana-cli sun: bad value '%s' for %s\n", value.c_str(),
                   flag.c_str());
      return 2;
    }
  }
  if (!lat || !lon) {
    std::fprintf(stderr, "%s", kSunUsage);
    return 2;
  }
  const TimeValue now = at ? *at : SystemClock().Now();

  SolarQuery q = PropertiesSolarQuery(now, tz, *lat, *lon, mask);
  const int error = ComputeSolarPosition(&q);

  std::printf("at=%sZ\n", FormatIsoInstant(now).c_str());
  PrintInt("functionMask", q.functionMask);
  PrintInt("year", q.year);
  PrintInt("month", q.month);
  PrintInt("day", q.day);
  PrintInt("dayOfYear", q.dayOfYear);
  PrintInt("hour", q.hour);
  PrintInt("minute", q.minute);
  PrintInt("second", q.second);
  PrintInt("interval", q.interval);
  PrintFloat("timezone", q.timezone);
  PrintFloat("latitude", q.latitude);
  PrintFloat("longitude", q.longitude);
  PrintFloat("dayAngle", q.dayAngle);
  PrintFloat("universalTime", q.universalTime);
  PrintFloat("julianDay", q.julianDay);
  PrintFloat("eclipticTime", q.eclipticTime);
  PrintFloat("meanLongitude", q.meanLongitude);
  PrintFloat("meanAnomaly", q.meanAnomaly);
  PrintFloat("eclipticLongitude", q.eclipticLongitude);
  PrintFloat("obliquity", q.obliquity);
  PrintFloat("declination", q.declination);
  PrintFloat("rightAscension", q.rightAscension);
  PrintFloat("greenwichSiderealTime", q.greenwichSiderealTime);
  PrintFloat("localSiderealTime", q.localSiderealTime);
  PrintFloat("hourAngle", q.hourAngle);
  PrintFloat("zenith", q.zenith);
  PrintFloat("elevation", q.elevation);
  PrintFloat("sunsetHourAngle", q.sunsetHourAngle);
  PrintFloat("trueSolarTime", q.trueSolarTime);
  PrintFloat("solarTimeFix", q.solarTimeFix);
  PrintFloat("sunrise", q.sunrise);
  PrintFloat("sunset", q.sunset);
  const SunTimes texts = SunTimesOf(q, error);
  std::printf("sunriseText=%s\n", texts.sunrise.c_str());
  std::printf("sunsetText=%s\n", texts.sunset.c_str());
  PrintInt("error", error);
  return 0;
}

}  // namespace meridiana::cli
