// meridiana-cli plan: the meeting planner for a few cities on one day of the computer's
// calendar, one line per hour, and the hours every city can work summed up at the end.
// meridiana-cli clocks: the tray's clock lines for a few cities.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "foundation/clock.h"
#include "foundation/zone_file.h"
#include "iso_time.h"
#include "map/map_geometry.h"
#include "world/city_clocks.h"
#include "world/local_time.h"
#include "world/meeting_plan.h"
#include "world/world_data.h"

namespace meridiana::cli {
namespace {

constexpr char kPlanUsage[] =
    "usage: meridiana-cli plan --cities \"NAME,NAME,...\" [--date YYYY-MM-DD] [--hours H-H] "
    "[--data DIR]\n";

constexpr char kClocksUsage[] =
    "usage: meridiana-cli clocks --cities \"NAME,NAME,...\" [--at YYYY-MM-DDTHH:MM:SSZ] "
    "[--data DIR]\n";

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) names.emplace_back(name);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return names;
}

std::optional<CalendarDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int parts[3] = {0, 0, 0};
  const std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
  for (int p = 0; p < 3; ++p) {
    for (std::size_t i = starts[p]; i < starts[p] + lengths[p]; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      parts[p] = parts[p] * 10 + (text[i] - '0');
    }
  }
  if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > DaysInMonth(parts[0], parts[1]))
    return std::nullopt;
  return CalendarDate{parts[0], parts[1], parts[2]};
}

std::string DateTime(TimeValue t) {
  const CalendarTime c = UtcBreakdown(t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute);
  return text;
}

}  // namespace

int RunPlan(const Args& args) {
  std::string citiesArg, folder;
  std::optional<CalendarDate> date;
  WorkingHours working;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() ||
        (flag != "--cities" && flag != "--date" && flag != "--hours" && flag != "--data")) {
      std::fprintf(stderr, "%s", kPlanUsage);
      return 2;
    }
    const std::string& value = args[++i];
    if (flag == "--cities") {
      citiesArg = value;
    } else if (flag == "--date") {
      date = ParseDate(value);
      if (!date) {
        std::fprintf(stderr, "meridiana-cli plan: bad date '%s'\n%s", value.c_str(), kPlanUsage);
        return 2;
      }
    } else if (flag == "--hours") {
      const auto hours = ParseWorkingHours(value);
      if (!hours) {
        std::fprintf(stderr,
                     "meridiana-cli plan: --hours wants H-H, hours from 0 to 24 with the first "
                     "before the second, such as 9-17, not '%s'\n%s",
                     value.c_str(), kPlanUsage);
        return 2;
      }
      working = *hours;
    } else {
      folder = value;
    }
  }
  const std::vector<std::string> names = SplitNames(citiesArg);
  if (names.empty()) {
    std::fprintf(stderr, "%s", kPlanUsage);
    return 2;
  }
  const SystemClock host;
  if (!date) {
    const CalendarTime today = host.HostLocal(host.Now());
    date = CalendarDate{today.year, today.month, today.day};
  }

  if (folder.empty()) folder = DefaultDataFolder();
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "plan", &world, &tzImage)) return 1;
  std::vector<OffsetSource> places;
  std::vector<std::string> columns;  // the cities' own names, whatever was typed
  for (const std::string& name : names) {
    const City* city = ResolveCityOption(world, "plan", name);
    if (city == nullptr) return 1;
    columns.emplace_back(WithoutTrailingBlanks(city->name));
    const MapPoint point = BaseMapPixel(city->longitude, city->latitude);
    const Dib* image = tzImage.get();
    places.push_back([&world, &host, image, point, city](TimeValue t) {
      return CityClockAt(world, *city, image, point.x, point.y, t, host).offsetSeconds;
    });
  }

  const auto planned = PlanHostDay(places, host, date->year, date->month, date->day, working);
  if (!planned) {
    std::fprintf(stderr, "meridiana-cli plan: the host's calendar has no day %04d-%02d-%02d\n",
                 date->year, date->month, date->day);
    return 1;
  }
  const std::vector<PlanHour>& plan = *planned;
  std::printf("utc");
  for (const std::string& name : columns) std::printf("\t%s", name.c_str());
  std::printf("\tcommon\n");
  for (const PlanHour& hour : plan) {
    std::printf("%s", DateTime(hour.utc).c_str());
    for (const PlanCell& cell : hour.cells) {
      std::printf("\t%s%s", DateTime(cell.wallClock).c_str(), cell.working ? " w" : "");
    }
    std::printf("\t%s\n", hour.common ? "*" : "");
  }
  std::printf("hours=%s\n", FormatWorkingHours(working).c_str());
  std::printf("overlap=%s\n", CommonRunsText(plan).c_str());
  return 0;
}

int RunClocks(const Args& args) {
  std::string citiesArg, folder;
  std::optional<TimeValue> at;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() || (flag != "--cities" && flag != "--at" && flag != "--data")) {
      std::fprintf(stderr, "%s", kClocksUsage);
      return 2;
    }
    const std::string& value = args[++i];
    if (flag == "--cities") {
      citiesArg = value;
    } else if (flag == "--at") {
      at = ParseIsoInstant(value, "clocks");
      if (!at) {
        std::fprintf(stderr, "meridiana-cli clocks: bad instant '%s'\n%s", value.c_str(),
                     kClocksUsage);
        return 2;
      }
    } else {
      folder = value;
    }
  }
  const std::vector<std::string> names = SplitNames(citiesArg);
  if (names.empty()) {
    std::fprintf(stderr, "%s", kClocksUsage);
    return 2;
  }
  if (folder.empty()) folder = DefaultDataFolder();
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "clocks", &world, &tzImage)) return 1;
  // The named cities stand for the marked ones, in the order the tray lists marks.
  for (City& city : world.cities) city.marked = false;
  for (const std::string& name : names) {
    const City* city = ResolveCityOption(world, "clocks", name);
    if (city == nullptr) return 1;
    world.cities[static_cast<std::size_t>(city - world.cities.data())].marked = true;
  }
  const SystemClock host;
  const TimeValue now = at ? *at : host.Now();
  const CalendarTime hostNow = host.HostLocal(now);
  for (const City* city : MarkedCitiesInSelectorOrder(world, kTrayClockCities)) {
    const MapPoint point = BaseMapPixel(city->longitude, city->latitude);
    const CityClock clock = CityClockAt(world, *city, tzImage.get(), point.x, point.y, now, host);
    std::printf(
        "%s\n",
        CityClockLine(city->name, clock.WallClock(now), hostNow, EnglishWeekdays()).c_str());
  }
  return 0;
}

}  // namespace meridiana::cli
