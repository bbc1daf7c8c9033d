#include "map/base_images.h"

#include <string>
#include <utility>

#include "foundation/user_notice.h"
#include "map/dib_ops.h"
#include "map/image_load.h"
#include "map/map_geometry.h"

namespace meridiana {

MapImages::MapImages(std::string folder, UserNotice* notice)
    : folder_(std::move(folder)), notice_(notice) {}

bool MapImages::LoadInto(DibPtr& slot, const char* relativePath) {
  if (slot) return true;
  std::string path = folder_;
  if (!path.empty() && path.back() != '/') path += '/';
  path += relativePath;
  slot = FitToBaseMap(DibLoad(path.c_str(), kMapPictureMaxPixels));
  if (slot) return true;
  if (notice_) {
    notice_->ShowMessage("Error", std::string("Unable to load file '") + relativePath + "'");
  }
  return false;
}

bool MapImages::LoadDayAndZones() {
  const bool day = LoadInto(day_, kDayImagePath);
  const bool zones = LoadInto(zones_, kZoneImagePath);
  return day && zones;
}

bool MapImages::LoadDay() { return LoadInto(day_, kDayImagePath); }

bool MapImages::LoadZones() { return LoadInto(zones_, kZoneImagePath); }

bool MapImages::LoadNight() { return LoadInto(night_, kNightImagePath); }

void MapImages::ComposeFromDay() { composed_ = DibCopy(day_.get()); }

void MapImages::FreeForMinimise() {
  day_.reset();
  night_.reset();
  zones_.reset();
  cloud_.reset();
}

void MapImages::SetCloud(DibPtr cloud) { cloud_ = FitToBaseMap(std::move(cloud)); }

DibPtr FitToBaseMap(DibPtr image) {
  if (!DibIsValid(image.get())) return nullptr;
  if (DibWidth(image.get()) == kBaseMapWidth && DibHeight(image.get()) == kBaseMapHeight &&
      DibBitsPerPixel(image.get()) == 24) {
    return image;
  }
  return DibScale(image.get(), kBaseMapWidth, kBaseMapHeight);
}

}  // namespace meridiana
