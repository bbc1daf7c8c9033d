#pragma once
// The subcommands of meridiana-cli. Each takes the arguments after its name and returns the
// process's exit status; a failure prints one line to standard error.

#include <string>
#include <vector>

namespace meridiana::cli {

using Args = std::vector<std::string>;

int RunPack(const Args& args);
int RunUnpack(const Args& args);
int RunSun(const Args& args);
int RunMoon(const Args& args);
int RunCities(const Args& args);
int RunCity(const Args& args);
int RunDistance(const Args& args);
int RunSearch(const Args& args);
int RunPlan(const Args& args);
int RunClocks(const Args& args);
int RunLinks(const Args& args);
int RunRender(const Args& args);
int RunImage(const Args& args);
int RunFetch(const Args& args);
int RunQuakes(const Args& args);
int RunAurora(const Args& args);
int RunClouds(const Args& args);
int RunWallpaper(const Args& args);

}  // namespace meridiana::cli
