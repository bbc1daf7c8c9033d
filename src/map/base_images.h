#pragma once
// The pictures the map is composed from: the day, night and time-zone images of the Earth, the
// current satellite cloud frame, and the composed map itself. The shell makes one MapImages at
// start-up and keeps it until exit.

#include <string>
#include <utility>

#include "foundation/dib.h"

namespace meridiana {

class UserNotice;

// Paths of the base images, relative to the data folder.
inline constexpr char kDayImagePath[] = "images/earth_day.bmp";
inline constexpr char kNightImagePath[] = "images/earth_night.bmp";
inline constexpr char kZoneImagePath[] = "images/earth_tz.bmp";

// An image brought to the base-map size (1024 x 512) and 24 bits: returned as it is when it
// already is, else scaled. Null in, null out.
DibPtr FitToBaseMap(DibPtr image);

class MapImages {
 public:
  // folder: where "images/" is found. notice (may be null) shows the error box of a failed load.
  MapImages(std::string folder, UserNotice* notice);

  // Loads the day and time-zone images when they are missing (start-up, restore, wallpaper).
  // Each failure shows "Unable to load file '<relative path>'"; true when both are loaded.
  bool LoadDayAndZones();
  // The same for one image (what a single rendering needs).
  bool LoadDay();
  bool LoadZones();
  // Loads the night image when it is missing; the same error box on failure.
  bool LoadNight();
  // Start-up: the composed map becomes a copy of the day image.
  void ComposeFromDay();
  // Minimising frees the base images, the cloud frame and nothing else: the composed map stays.
  void FreeForMinimise();

  // Puts an image in place as if it had been loaded (tests, and callers that made it already).
  void PutDay(DibPtr image) { day_ = FitToBaseMap(std::move(image)); }
  void PutNight(DibPtr image) { night_ = FitToBaseMap(std::move(image)); }
  void PutZones(DibPtr image) { zones_ = FitToBaseMap(std::move(image)); }

  // Puts a cloud frame in place (null removes it). A frame of another size than the base map is
  // scaled to it first, since the blends pair pixels by position.
  void SetCloud(DibPtr cloud);

  const Dib* day() const { return day_.get(); }
  const Dib* night() const { return night_.get(); }
  const Dib* zones() const { return zones_.get(); }
  const Dib* cloud() const { return cloud_.get(); }
  const Dib* composed() const { return composed_.get(); }
  Dib* composed() { return composed_.get(); }
  DibPtr& composedSlot() { return composed_; }
  const std::string& folder() const { return folder_; }

 private:
  bool LoadInto(DibPtr& slot, const char* relativePath);

  std::string folder_;
  UserNotice* notice_;
  DibPtr day_;
  DibPtr night_;
  DibPtr zones_;
  DibPtr cloud_;
  DibPtr composed_;
};

}  // namespace meridiana
