// meridiana-cli: the program's core without a window.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"

namespace {

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const meridiana::cli::Args&);
};

constexpr Command kCommands[] = {
    {"pack", "pack IN OUT            pack a text file into a data file", meridiana::cli::RunPack},
    {"unpack", "unpack IN OUT          unpack a data file into text", meridiana::cli::RunUnpack},
    {"sun",
     "sun [--at ISO] --lat LAT --lon LON [--tz HOURS] [--mask N]   one solar query, every field",
     meridiana::cli::RunSun},
    {"moon",
     "moon [--at ISO] [--city NAME] [--data DIR]   the point under the Moon, its phase and age, "
     "and a city's moonrise and moonset",
     meridiana::cli::RunMoon},
    {"cities",
     "cities [--at ISO] [--data DIR]   every city with its local time, saving, sun and codes (TSV)",
     meridiana::cli::RunCities},
    {"city", "city NAME [--at ISO] [--data DIR]   the Properties dialog's fields of one city",
     meridiana::cli::RunCity},
    {"distance",
     "distance FROM TO [--data DIR]   the distance (km) and the initial and final bearings "
     "between two places along the WGS84 geodesic, each a city or LAT,LON",
     meridiana::cli::RunDistance},
    {"search",
     "search TEXT [--limit N] [--data DIR]   the cities the text finds, best first (TSV); a "
     "name given to city, plan, clocks, links, moon or render --mark is found the same way",
     meridiana::cli::RunSearch},
    {"plan",
     "plan --cities \"A,B,...\" [--date YYYY-MM-DD] [--hours H-H] [--data DIR]   a meeting's "
     "hours: each city's local time, hour by hour, and the hours all can work",
     meridiana::cli::RunPlan},
    {"clocks",
     "clocks --cities \"A,B,...\" [--at ISO] [--data DIR]   the tray's clock lines of the cities",
     meridiana::cli::RunClocks},
    {"links",
     "links NAME [--at ISO] [--lang CODE] [--templates FILE] [--data DIR]   a city's web links",
     meridiana::cli::RunLinks},
    {"render",
     "render [--at ISO] --out FILE.png|.bmp [--layers day,night,zones,shadow,twilight,clouds] "
     "[--clouds IMAGE] [--width W] [--data DIR] "
     "[--overlays cities,names,grid,marked,info,quakes,moon,aurora] "
     "[--mark NAME,...] [--config FILE] [--quakes REPLY] [--aurora FORECAST.json] [--pointer X,Y] "
     "[--size WxH] [--zoom Z] "
     "[--scroll X,Y] [--labels placed|fixed] [--png fast|smallest] [--center LONGITUDE] "
     "[--scale 1|2|3|4] [--projection rectangular|orthographic|azimuthal] "
     "[--center-lat LATITUDE]   the "
     "composed map, centred on LONGITUDE (default 0), or the Earth as a disc centred on "
     "LATITUDE, LONGITUDE, and the "
     "window's view of it with its overlays; a PNG is written fast (zlib's quickest level), or "
     "with --png smallest as small as libpng makes it (3 to 10 % smaller, 10 to 30 times slower)",
     meridiana::cli::RunRender},
    {"image",
     "image IN OUT.bmp [--width W] [--height H]   load a picture, scale it, save it as BMP",
     meridiana::cli::RunImage},
    {"fetch",
     "fetch URL [--out FILE] [--proxy none|http|socks4|socks5] [--proxy-host H] "
     "[--proxy-port P] [--proxy-user U] [--proxy-password W] [--dns HOST:PORT,...] "
     "[--watchdog-ms MS]   one request through the program's HTTP client",
     meridiana::cli::RunFetch},
    {"quakes",
     "quakes [--service URL]   the week's earthquakes from the service (TSV) and the status text",
     meridiana::cli::RunQuakes},
    {"aurora",
     "aurora [--service URL]   the aurora forecast from the service: where it came from, then "
     "longitude, latitude and probability (TSV) of the points of 1 % or more",
     meridiana::cli::RunAurora},
    {"clouds",
     "clouds [--service URL] [--cache DIR] [--frames N]   the cloud list and its newest N "
     "frames into DIR/cache, one line per slot",
     meridiana::cli::RunClouds},
    {"wallpaper",
     "wallpaper on|off|refresh [--width W] [--at ISO] [--data DIR] [--center LONGITUDE]   the map "
     "as the desktop's "
     "wallpaper, and the user's own back",
     meridiana::cli::RunWallpaper},
};

int Usage(FILE* out) {
  std::fprintf(out, "usage: meridiana-cli COMMAND [ARGS]\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
  return out == stdout ? 0 : 2;
}

// What a command printed must have reached its reader: a full disk or a closed pipe turns
// success into failure.
int CheckedOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "meridiana-cli: cannot write standard output: %s\n", std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(stderr);
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
    return CheckedOutput(Usage(stdout));
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("meridiana-cli %s\n", MERIDIANA_VERSION);
    return CheckedOutput(0);
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    const meridiana::cli::Args args(argv + 2, argv + argc);
    // No command takes --help as a value, so it asks for the usage wherever it stands.
    for (const std::string& arg : args) {
      if (arg == "--help" || arg == "-h") {
        std::printf("usage: meridiana-cli %s\n", c.usage);
        return CheckedOutput(0);
      }
    }
    return CheckedOutput(c.run(args));
  }
  std::fprintf(stderr, "meridiana-cli: unknown command '%s'\n", argv[1]);
  return Usage(stderr);
}
