#pragma once
// The pictures the map is composed from: the day, night and time-zone images of the Earth, the
// current satellite cloud frame, and the composed map itself. The shell makes one MapImages at
// start-up and keeps it until exit.

#include <array>
#include <functional>
#include <future>
#include <string>
#include <utility>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/compose.h"

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

  enum class Picture { kDay, kNight, kZones };
  // Starts decoding a picture from `path` on another thread, unless it is loaded or on its way
  // already; the next load of that picture takes this result (or its failure) instead of
  // reading its file. A start decodes while the window is being made.
  void StartLoading(Picture picture, std::string path);
  // Starts the first shadowed map of a start on another thread: once the day and night pictures
  // on their way are decoded, a copy of the day is darkened by `pass` for the instant `now`
  // gives then. Loading either picture does not wait for it. False (nothing started) unless both
  // pictures are on their way.
  bool StartShadowingDay(ShadowPass pass, std::function<TimeValue()> now);
  // Waits for that work, if any, and lets it go; true, with the composed map replaced by its
  // result, when the result is exactly what the pass would give now: made for this second from
  // the day and night pictures in place.
  bool TakeShadowedDay(TimeValue now);
  // Start-up: the composed map becomes a copy of the day image.
  void ComposeFromDay();
  // Minimising frees the base images, the cloud frame and nothing else: the composed map stays.
  void FreeForMinimise();

  // Puts an image in place as if it had been loaded (tests, and callers that made it already).
  void PutDay(DibPtr image);
  void PutNight(DibPtr image);
  void PutZones(DibPtr image) { zones_ = FitToBaseMap(std::move(image)); }

  // Puts the pictures of one composition at another size than the base map in place, as they
  // are (a sharp view composes at its own resolution); all that are given must share one size.
  void PutForFrame(DibPtr day, DibPtr night, DibPtr zones, DibPtr cloud);
  // Hands back day, night, zones and cloud as PutForFrame put them, leaving none.
  std::array<DibPtr, 4> TakeForFrame();

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
  bool LoadInto(Picture picture, DibPtr& slot, const char* relativePath);
  std::future<DibPtr>& Pending(Picture picture);
  // Before the day or night picture is replaced or freed: the shadow work reads them.
  void DropShadowedDay();

  struct ShadowedDay {
    DibPtr pixels;
    TimeValue at = kNoTime;
    const Dib* day = nullptr;
    const Dib* night = nullptr;
  };

  std::string folder_;
  UserNotice* notice_;
  DibPtr day_;
  DibPtr night_;
  DibPtr zones_;
  DibPtr cloud_;
  DibPtr composed_;
  std::future<DibPtr> pendingDay_;
  std::future<DibPtr> pendingNight_;
  std::future<DibPtr> pendingZones_;
  std::shared_future<void> lastDecode_;  // done when the last picture started is decoded
  // Last, so that it is waited for before the pictures it reads are freed.
  std::future<ShadowedDay> pendingShadowedDay_;
};

}  // namespace meridiana
