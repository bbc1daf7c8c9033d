#include "shell/app/map_image_files.h"

namespace meridiana {

std::string FolderHolding(const DataPaths& paths, std::string_view relative) {
  const std::string path = paths.Find(relative);
  if (path == relative || path.size() <= relative.size() + 1) return {};
  return path.substr(0, path.size() - relative.size() - 1);
}

void StartLoadingBaseImages(MapImages& images, const DataPaths& paths, bool night) {
  images.StartLoading(MapImages::Picture::kDay, paths.Find(kDayImagePath));
  images.StartLoading(MapImages::Picture::kZones, paths.Find(kZoneImagePath));
  if (night) images.StartLoading(MapImages::Picture::kNight, paths.Find(kNightImagePath));
}

bool LoadDayAndZoneImages(MapImages& images, const DataPaths& paths) {
  // The two pictures decode at the same time (they are the longest part of a start); what is
  // kept and reported happens here, in order.
  StartLoadingBaseImages(images, paths, false);
  const bool day = images.LoadDay();
  const bool zones = images.LoadZones();
  return day && zones;
}

void ReleaseMapImages(MapImages& images) {
  images.FreeForMinimise();
  images.composedSlot().reset();
}

}  // namespace meridiana
