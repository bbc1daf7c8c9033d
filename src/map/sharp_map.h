#pragma once
// The map at more pixels than the base map has: for a window zoomed in or on a screen with a
// device pixel ratio above 1, and for `render --scale`. Every position stays in base-map pixels;
// only the picture is made at the device's resolution, for the part of the map it shows, from
// the sharpest day and night pictures at hand (filtered, never repeated pixels), and composed and
// shaded there by the same compositor and passes as the base map.

#include <memory>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/compose.h"
#include "map/sun_shadow.h"

namespace meridiana {

// The pictures of the Earth sharper than the base map, relative to the data folder.
inline constexpr char kSharpDayImagePath[] = "images/earth_day_4096.jpg";
inline constexpr char kSharpNightImagePath[] = "images/earth_night_2048.jpg";

// The part of the base map a sharp picture shows, in device pixels: device pixel (i, j) covers
// base-map x from (l + i) * step to (l + i + 1) * step, with l = left / step rounded to a whole
// device pixel (at most half a device pixel off), and y likewise from top.
struct SharpFrame {
  int width = 0;   // device pixels
  int height = 0;  // device pixels
  double left = 0;
  double top = 0;
  double step = 1;  // base-map pixels per device pixel: 1 / (zoom x device pixel ratio)
  // Base-map columns the map is turned by for its centre (MapCenterShift at the base width):
  // the frame's base-map x shows the pictures' x + shift, round the Earth.
  int shift = 0;
  friend bool operator==(const SharpFrame&, const SharpFrame&) = default;
};

// The whole base map at `scale` device pixels per base-map pixel.
SharpFrame WholeMapFrame(int scale);
// The places of the frame's device pixels (their centres), for the shadow and twilight passes.
ShadeGrid FrameGrid(const SharpFrame& frame);
// Whether a view needs more device pixels than the base map gives (zoom x ratio above 1).
bool NeedsSharpView(float zoom, double devicePixelRatio);

// A picture of the whole Earth (any size, longitude -180 at the left) resampled for the frame:
// bilinear at each device pixel's centre, across the date line as the Earth goes round. Device
// pixels outside the base map are black. Null when the picture or frame is unusable.
DibPtr SampleForFrame(const Dib* picture, const SharpFrame& frame);

// A picture sampled for frame `from` (SampleForFrame) made the sampling for `to`: when the two
// differ only by where they start (a scroll, at any step), the pixels both show are moved and
// only the newly shown ones sampled, giving exactly SampleForFrame(picture, to). False, with
// `sampled` unchanged, when the frames do not allow it.
bool MoveSampled(const Dib* picture, const SharpFrame& from, const SharpFrame& to, Dib* sampled);

// One picture at several sizes: as loaded, then halved while it stays wider than the base map,
// so that each frame samples from the level nearest above its own resolution.
class DetailLevels {
 public:
  void Put(DibPtr picture);
  // The smallest level with at least 1 / step pixels per base-map pixel, else the largest;
  // null when empty.
  const Dib* ForStep(double step) const;
  bool empty() const { return levels_.empty(); }

 private:
  std::vector<DibPtr> levels_;  // largest first
};

// The sharp day and night pictures of a data folder, loaded on first need and kept.
class SharpImagery {
 public:
  explicit SharpImagery(std::string folder) : folder_(std::move(folder)) {}
  // Loads both pictures when not tried yet; true when both are there.
  bool Load();
  // Puts pictures in place as if loaded (tests, benchmarks).
  void Put(DibPtr day, DibPtr night);
  const DetailLevels& day() const { return day_; }
  const DetailLevels& night() const { return night_; }

 private:
  std::string folder_;
  bool tried_ = false;
  DetailLevels day_;
  DetailLevels night_;
};

// What a sharp composition is made from: whole-Earth pictures of any size. A missing sharp
// picture falls back to its base-size one.
struct SharpSources {
  const Dib* day = nullptr;
  const Dib* night = nullptr;
  const Dib* zones = nullptr;
  const Dib* cloud = nullptr;
  friend bool operator==(const SharpSources&, const SharpSources&) = default;
};
// The sources for a frame: the sharp levels that suit its step, else the base pictures.
SharpSources ChooseSharpSources(const SharpImagery* sharp, const Dib* baseDay, const Dib* baseNight,
                                const Dib* baseZones, const Dib* baseCloud, double step);

// The composed map for the frame at device resolution: each picture the modes need is sampled
// for the frame, then composed and shaded (sun shadow or twilight bands, for each device pixel's
// own place) by the compositor. Null when a picture the modes need is missing.
DibPtr ComposeSharp(const SharpSources& sources, const ViewModes& modes, TimeValue now,
                    const SharpFrame& frame);

class MapImages;

// The same, keeping the pictures sampled for the last frame: composing the same frame from the
// same pictures for a new instant (the shadow refresh) only composes and shades again, and a
// frame moved (a scroll) samples only what it newly shows. The sources
// must stay unchanged while they are kept; Clear lets them go.
class SharpComposer {
 public:
  SharpComposer();
  ~SharpComposer();
  // The composed map, kept until the next call (null as ComposeSharp).
  const Dib* Compose(const SharpSources& sources, const ViewModes& modes, TimeValue now,
                     const SharpFrame& frame);
  // Hands the last composed map over.
  DibPtr Take();
  void Clear();
  // Whether the last Compose sampled the pictures again, wholly or (moved) only the new strips.
  bool resampled() const { return resampled_; }
  bool moved() const { return moved_; }

 private:
  std::unique_ptr<MapImages> images_;
  ShadeGrid grid_;
  SharpFrame frame_;
  SharpSources sources_;
  unsigned reads_ = 0;  // which pictures are sampled, one bit each
  bool resampled_ = false;
  bool moved_ = false;
};

}  // namespace meridiana
