#pragma once
// The base images of the map, found through the data search path: the user's folder first, so
// that a user can put their own picture in place, then the installed data folder.

#include <string>
#include <string_view>

#include "map/base_images.h"
#include "shell/app/data_paths.h"

namespace meridiana {

// The folder that holds the file `relative` ("images/earth_night.bmp") on the search path, so
// that folder + "/" + relative names it; empty when it is in neither folder (the relative name
// then stands alone and its load fails with that name in the error box).
std::string FolderHolding(const DataPaths& paths, std::string_view relative);

// Starts decoding the day and time-zone pictures, and the night one when asked, on other
// threads while the program goes on; the loads below take the results.
void StartLoadingBaseImages(MapImages& images, const DataPaths& paths, bool night);

// Loads the day and the time-zone image, each only when it is missing, each from wherever the
// search path finds it. A failure shows "Unable to load file '<relative name>'" and the other
// image is still loaded (the images' own notice shows it). True when both are there afterwards.
bool LoadDayAndZoneImages(MapImages& images, const DataPaths& paths);

// Frees every picture of the map, the composed map included (the end of the program).
void ReleaseMapImages(MapImages& images);

}  // namespace meridiana
