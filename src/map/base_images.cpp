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

namespace {

DibPtr DecodeBaseMapPicture(const std::string& path) {
  return FitToBaseMap(DibLoad(path.c_str(), kMapPictureMaxPixels));
}

}  // namespace

std::future<DibPtr>& MapImages::Pending(Picture picture) {
  switch (picture) {
    case Picture::kDay:
      return pendingDay_;
    case Picture::kNight:
      return pendingNight_;
    case Picture::kZones:
      break;
  }
  return pendingZones_;
}

void MapImages::StartLoading(Picture picture, std::string path) {
  const DibPtr& slot = picture == Picture::kDay     ? day_
                       : picture == Picture::kNight ? night_
                                                    : zones_;
  std::future<DibPtr>& pending = Pending(picture);
  if (slot || pending.valid()) return;
  // One picture after the other: a start has the main thread and Qt's font list to run
  // besides, and a machine may have two cores.
  std::promise<void> decoded;
  std::shared_future<void> previous = std::exchange(lastDecode_, decoded.get_future().share());
  pending = std::async(std::launch::async,
                       [previous, decoded = std::move(decoded), path = std::move(path)]() mutable {
                         if (previous.valid()) previous.wait();
                         DibPtr picture = DecodeBaseMapPicture(path);
                         decoded.set_value();
                         return picture;
                       });
}

bool MapImages::StartShadowingDay(ShadowPass pass, std::function<TimeValue()> now) {
  if (!pendingDay_.valid() || !pendingNight_.valid() || pendingShadowedDay_.valid()) return false;
  std::promise<DibPtr> dayOut;
  std::promise<DibPtr> nightOut;
  std::future<DibPtr> dayIn = std::exchange(pendingDay_, dayOut.get_future());
  std::future<DibPtr> nightIn = std::exchange(pendingNight_, nightOut.get_future());
  pendingShadowedDay_ =
      std::async(std::launch::async, [dayIn = std::move(dayIn), nightIn = std::move(nightIn),
                                      dayOut = std::move(dayOut), nightOut = std::move(nightOut),
                                      pass = std::move(pass), now = std::move(now)]() mutable {
        DibPtr day = dayIn.get();
        DibPtr night = nightIn.get();
        ShadowedDay result;
        result.day = day.get();
        result.night = night.get();
        // Handed over at once; from here on both are only read, here and by the window.
        dayOut.set_value(std::move(day));
        nightOut.set_value(std::move(night));
        if (result.day != nullptr && result.night != nullptr) {
          result.pixels = DibCopy(result.day);
          result.at = now();
          pass(result.pixels.get(), result.night, result.at);
        }
        return result;
      });
  return true;
}

bool MapImages::TakeShadowedDay(TimeValue now) {
  if (!pendingShadowedDay_.valid()) return false;
  ShadowedDay result = pendingShadowedDay_.get();
  if (!result.pixels || result.at != now || result.day != day_.get() ||
      result.night != night_.get()) {
    return false;
  }
  composed_ = std::move(result.pixels);
  return true;
}

void MapImages::DropShadowedDay() {
  if (pendingShadowedDay_.valid()) pendingShadowedDay_.get();
}

void MapImages::PutDay(DibPtr image) {
  DropShadowedDay();
  day_ = FitToBaseMap(std::move(image));
}

void MapImages::PutNight(DibPtr image) {
  DropShadowedDay();
  night_ = FitToBaseMap(std::move(image));
}

bool MapImages::LoadInto(Picture picture, DibPtr& slot, const char* relativePath) {
  if (slot) return true;
  std::future<DibPtr>& pending = Pending(picture);
  if (pending.valid()) {
    slot = pending.get();
  } else {
    std::string path = folder_;
    if (!path.empty() && path.back() != '/') path += '/';
    path += relativePath;
    slot = DecodeBaseMapPicture(path);
  }
  if (slot) return true;
  if (notice_) {
    notice_->ShowMessage("Error", std::string("Unable to load file '") + relativePath + "'");
  }
  return false;
}

bool MapImages::LoadDayAndZones() {
  const bool day = LoadDay();
  const bool zones = LoadZones();
  return day && zones;
}

bool MapImages::LoadDay() { return LoadInto(Picture::kDay, day_, kDayImagePath); }

bool MapImages::LoadZones() { return LoadInto(Picture::kZones, zones_, kZoneImagePath); }

bool MapImages::LoadNight() { return LoadInto(Picture::kNight, night_, kNightImagePath); }

void MapImages::ComposeFromDay() { composed_ = DibCopy(day_.get()); }

void MapImages::FreeForMinimise() {
  DropShadowedDay();
  day_.reset();
  night_.reset();
  zones_.reset();
  cloud_.reset();
}

void MapImages::PutForFrame(DibPtr day, DibPtr night, DibPtr zones, DibPtr cloud) {
  DropShadowedDay();
  day_ = std::move(day);
  night_ = std::move(night);
  zones_ = std::move(zones);
  cloud_ = std::move(cloud);
}

std::array<DibPtr, 4> MapImages::TakeForFrame() {
  DropShadowedDay();
  return {std::move(day_), std::move(night_), std::move(zones_), std::move(cloud_)};
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
