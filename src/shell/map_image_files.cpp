#include "shell/map_image_files.h"

#include "foundation/user_notice.h"
#include "map/image_load.h"

namespace meridiana {

namespace {

// Loads one image unless it is there already; shows the error box with the relative name.
bool LoadOne(const Dib* present, std::string_view relative, const DataPaths& paths,
             UserNotice* notice, void (MapImages::*put)(DibPtr), MapImages& images) {
  if (present != nullptr) return true;
  const std::string path = paths.Find(relative);
  DibPtr image = FitToBaseMap(DibLoad(path.c_str(), kMapPictureMaxPixels));
  if (image) {
    (images.*put)(std::move(image));
    return true;
  }
  if (notice != nullptr) {
    notice->ShowMessage("Error", "Unable to load file '" + std::string(relative) + "'");
  }
  return false;
}

}  // namespace

std::string FolderHolding(const DataPaths& paths, std::string_view relative) {
  const std::string path = paths.Find(relative);
  if (path == relative || path.size() <= relative.size() + 1) return {};
  return path.substr(0, path.size() - relative.size() - 1);
}

bool LoadDayAndZoneImages(MapImages& images, const DataPaths& paths, UserNotice* notice) {
  const bool day = LoadOne(images.day(), kDayImagePath, paths, notice, &MapImages::PutDay, images);
  const bool zones =
      LoadOne(images.zones(), kZoneImagePath, paths, notice, &MapImages::PutZones, images);
  return day && zones;
}

void ReleaseMapImages(MapImages& images) {
  images.FreeForMinimise();
  images.composedSlot().reset();
}

}  // namespace meridiana
