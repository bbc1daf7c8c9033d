#pragma once
// Composition of the map: the view modes choose how the day, night, time-zone and cloud images
// make the composed map, and the sun shadow darkens it where the Sun is low or down.

#include <functional>

#include "foundation/clock.h"
#include "foundation/dib.h"

namespace meridiana {

class MapImages;
class UserNotice;

// Menu command ids of the view modes.
inline constexpr int kCmdClouds = 40004;
inline constexpr int kCmdDayMap = 40005;
inline constexpr int kCmdNightMap = 40006;
inline constexpr int kCmdTimeZones = 40007;
inline constexpr int kCmdSunShadow = 40016;
inline constexpr int kCmdTwilight = 40036;

inline constexpr char kCalculatingShadowText[] = "Calculating Shadow...";

struct ViewModes {
  bool day = false;
  bool night = false;
  bool zones = false;
  bool shadow = false;
  bool twilight = false;  // the shadow's dark side in twilight bands
  bool clouds = false;    // not stored: starts off each run
  friend bool operator==(const ViewModes&, const ViewModes&) = default;
};

// The flag changes of a view command, before the map is composed again. False for another id.
// Turning Twilight on turns Sun Shadow on, turning Clouds on turns Sun Shadow off; the caller stops
// the animation when Clouds goes off and composes only when there is a cloud frame.
bool ApplyViewCommand(ViewModes& modes, int commandId);

// Which picture the composed map starts from; the first that applies, in this order.
enum class ComposeSource {
  kCloudsOverDay,
  kCloudsOverNight,
  kNight,
  kClouds,
  kZones,
  kDay,
};
ComposeSource ChooseComposeSource(const ViewModes& modes);

// out = the cloud blend of base with cloud, pixel by pixel: dark cloud pixels leave the ground,
// bright ones replace it, the rest are weighted by brightness. All three must be valid 24-bit
// images of one size (out may be base itself); false and nothing written otherwise.
bool CloudBlend(const Dib* base, const Dib* cloud, Dib* out);

// out = the day image in grey, tinted 30 % with the time-zone colours. The same conditions.
bool ZoneTint(const Dib* day, const Dib* zones, Dib* out);

// Turns a picture drawn with longitude -180 at its left edge to a map centred on `center`
// (degrees): every row rotated left by MapCenterShift(center, width) pixels. Nothing for the
// Greenwich centre or an image whose pixels are not whole bytes.
void TurnToMapCenter(Dib* picture, double center);

// What a composition needs from the main window.
class ComposeHost {
 public:
  virtual ~ComposeHost() = default;
  // Nothing is composed while the window is minimised.
  virtual bool Minimised() const { return false; }
  // The status bar belongs to the network while a transfer runs.
  virtual bool TransferInProgress() const { return false; }
  virtual void SetWaitCursor(bool on) { (void)on; }
};

// Darkens the composed map from the night image for the Sun's elevation at an instant.
using ShadowPass = std::function<void(Dib* composed, const Dib* night, TimeValue now)>;

class Compositor {
 public:
  // images outlives the compositor; host and notice may be null.
  Compositor(MapImages& images, ComposeHost* host, UserNotice* notice);

  ViewModes modes;
  double center = 0;  // the longitude at the middle of the composed map

  // Redoes the composed map from the modes for the instant now, turned to the map centre. False
  // while minimised. The caller redraws the map area afterwards.
  bool Compose(TimeValue now);

  // A frame of the cloud animation: a copy of the day image receives the cloud blend of the
  // night image (Night Map on) or the day image with the frame; no tint, no shadow.
  bool ShowCloudFrame(const Dib* frame);

  // While a sharp view covers the map area it composes for itself, so a composition from the
  // day or the time-zone picture only records its instant (composedAt) and leaves the composed
  // map as it was, marked stale; EnsureComposed makes it afresh for that instant when something
  // needs it (the base view again, the wallpaper). Cloud and night maps are composed as ever.
  void SetBaseDeferred(bool deferred) { baseDeferred_ = deferred; }
  bool baseStale() const { return baseStale_; }
  // Composes for the last instant when the composed map is stale; true when it is current.
  bool EnsureComposed();

  // The instant of the last composition (a sharp view shades for the same one).
  TimeValue composedAt() const { return composedAt_; }

  // Set after every composition; the paint rebuilds the view image and clears it.
  bool changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

  // True while a cloud blend runs; a blend asked for meanwhile does nothing, and the animation
  // timer skips its tick.
  bool blendInProgress() const { return blendInProgress_; }

  // Replaces the shadow pass (the tests count its calls).
  void SetShadowPass(ShadowPass pass) { shadowPass_ = std::move(pass); }
  // Replaces the twilight pass (a sharp view shades only the part of the Earth it shows).
  void SetTwilightPass(ShadowPass pass) { twilightPass_ = std::move(pass); }

 private:
  bool GuardedCloudBlend(const Dib* base, const Dib* cloud);
  bool BlendOrCopy(const Dib* base, const Dib* over, bool zoneTint);
  void RunShadowPass(TimeValue now);

  MapImages& images_;
  ComposeHost* host_;
  UserNotice* notice_;
  ShadowPass shadowPass_;
  ShadowPass twilightPass_;
  TimeValue composedAt_ = kNoTime;
  bool changed_ = false;
  bool blendInProgress_ = false;
  bool baseDeferred_ = false;
  bool baseStale_ = false;
};

}  // namespace meridiana
