#include "shell/map_image_files.h"

#include <future>

#include "foundation/user_notice.h"
#include "map/image_load.h"

namespace meridiana {

namespace {

// Decodes one image for the base map unless it is there already.
DibPtr Decode(const Dib* present, const std::string& path) {
  if (present != nullptr) return nullptr;
  return FitToBaseMap(DibLoad(path.c_str(), kMapPictureMaxPixels));
}

// Takes a decoded image, or shows the error box with the relative name.
bool Keep(const Dib* present, DibPtr image, std::string_view relative, UserNotice* notice,
          void (MapImages::*put)(DibPtr), MapImages& images) {
  if (present != nullptr) return true;
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
  // The two pictures decode at the same time (they are the longest part of a start); what is
  // kept and reported happens here, in order, as before.
  const Dib* presentDay = images.day();
  const Dib* presentZones = images.zones();
  std::future<DibPtr> zoneImage =
      std::async(std::launch::async, Decode, presentZones, paths.Find(kZoneImagePath));
  DibPtr dayImage = Decode(presentDay, paths.Find(kDayImagePath));
  const bool day = Keep(presentDay, std::move(dayImage), kDayImagePath, notice,
                        &MapImages::PutDay, images);
  const bool zones = Keep(presentZones, zoneImage.get(), kZoneImagePath, notice,
                          &MapImages::PutZones, images);
  return day && zones;
}

void ReleaseMapImages(MapImages& images) {
  images.FreeForMinimise();
  images.composedSlot().reset();
}

}  // namespace meridiana
