#include "map/compose.h"

#include <algorithm>
#include <cstring>

#include "foundation/user_notice.h"
#include "map/base_images.h"
#include "map/map_geometry.h"
#include "map/sun_shadow.h"
#include "map/twilight.h"

namespace meridiana {

namespace {

bool SameSize24(const Dib* a, const Dib* b) {
  return DibIsValid(a) && DibIsValid(b) && DibBitsPerPixel(a) == 24 && DibBitsPerPixel(b) == 24 &&
         DibWidth(a) == DibWidth(b) && DibHeight(a) == DibHeight(b);
}

// Real-valued pixel arithmetic truncates toward zero to a byte; a value past 255 stays 255
// rather than wrapping round to a dark colour.
uint8_t ToByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v);
}

void CloudBlendPixel(const uint8_t* a, const uint8_t* b, uint8_t* o) {
  const int mA = (a[0] + a[1] + a[2]) / 3;
  const int mB = (b[0] + b[1] + b[2]) / 3;
  if (mB < 10) {
    o[0] = a[0], o[1] = a[1], o[2] = a[2];
  } else if (mB > 240) {
    o[0] = b[0], o[1] = b[1], o[2] = b[2];
  } else if (mA == 0) {
    o[0] = o[1] = o[2] = 0;
  } else {
    const float wA = static_cast<float>(mA) / static_cast<float>(mB);
    const float wB = static_cast<float>(mB) / static_cast<float>(mA);
    const float sum = wA + wB;
    for (int c = 0; c < 3; ++c) {
      o[c] = ToByte((static_cast<float>(a[c]) * wA + static_cast<float>(b[c]) * wB + 10) / sum);
    }
  }
}

// Replaces the slot by a copy of the image (none when the image is missing).
void CopyInto(DibPtr& slot, const Dib* image) { slot = DibCopy(image); }

// Makes sure the slot holds a 24-bit image of the same size as like, for a pass to write into.
bool EnsureLike(DibPtr& slot, const Dib* like) {
  if (SameSize24(slot.get(), like)) return true;
  slot = DibCreate(DibWidth(like), DibHeight(like), 24, 256);
  return slot != nullptr;
}

}  // namespace

bool ApplyViewCommand(ViewModes& modes, int commandId) {
  switch (commandId) {
    case kCmdDayMap:
      modes.day = !modes.day;
      modes.night = false;
      return true;
    case kCmdNightMap:
      modes.day = false;
      modes.night = !modes.night;
      return true;
    case kCmdTimeZones:
      modes.zones = !modes.zones;
      modes.night = false;
      modes.clouds = false;
      return true;
    case kCmdSunShadow:
      modes.shadow = !modes.shadow;
      return true;
    case kCmdTwilight:
      modes.twilight = !modes.twilight;
      if (modes.twilight) {
        modes.shadow = true;
        modes.clouds = false;
      }
      return true;
    case kCmdClouds:
      if (modes.clouds) {
        modes.clouds = false;
      } else {
        modes.clouds = true;
        modes.shadow = false;
      }
      return true;
    default:
      return false;
  }
}

ComposeSource ChooseComposeSource(const ViewModes& modes) {
  if (modes.clouds && modes.day) return ComposeSource::kCloudsOverDay;
  if (modes.clouds && modes.night) return ComposeSource::kCloudsOverNight;
  if (modes.night) return ComposeSource::kNight;
  if (modes.clouds) return ComposeSource::kClouds;
  if (modes.zones) return ComposeSource::kZones;
  return ComposeSource::kDay;
}

bool CloudBlend(const Dib* base, const Dib* cloud, Dib* out) {
  if (!SameSize24(base, cloud) || !SameSize24(base, out)) return false;
  const int w = DibWidth(base);
  const int h = DibHeight(base);
  for (int y = 0; y < h; ++y) {
    const uint8_t* a = base->rows[y];
    const uint8_t* b = cloud->rows[y];
    uint8_t* o = out->rows[y];
    for (int x = 0; x < w; ++x, a += 3, b += 3, o += 3) CloudBlendPixel(a, b, o);
  }
  return true;
}

bool ZoneTint(const Dib* day, const Dib* zones, Dib* out) {
  if (!SameSize24(day, zones) || !SameSize24(day, out)) return false;
  constexpr float kDayWeight = 1.4f;
  constexpr float kZoneWeight = 2.0f - kDayWeight;  // 0.6 as single precision makes it
  const int w = DibWidth(day);
  const int h = DibHeight(day);
  for (int y = 0; y < h; ++y) {
    const uint8_t* a = day->rows[y];
    const uint8_t* z = zones->rows[y];
    uint8_t* o = out->rows[y];
    for (int x = 0; x < w; ++x, a += 3, z += 3, o += 3) {
      const float grey = kDayWeight * static_cast<float>((a[0] + a[1] + a[2]) / 3);
      for (int c = 0; c < 3; ++c) {
        const double v = (grey + kZoneWeight * static_cast<float>(z[c])) / 2.0;
        o[c] = ToByte(v);
      }
    }
  }
  return true;
}

void TurnToMapCenter(Dib* picture, double center) {
  if (!DibIsValid(picture) || DibBitsPerPixel(picture) % 8 != 0) return;
  const int width = DibWidth(picture);
  const int shift = MapCenterShift(center, width);
  if (shift == 0) return;
  const std::size_t bytes = static_cast<std::size_t>(DibBitsPerPixel(picture) / 8);
  const std::size_t turn = static_cast<std::size_t>((shift % width + width) % width) * bytes;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytes;
  for (int y = 0; y < DibHeight(picture); ++y) {
    uint8_t* row = picture->rows[static_cast<std::size_t>(y)];
    std::rotate(row, row + turn, row + rowBytes);
  }
}

Compositor::Compositor(MapImages& images, ComposeHost* host, UserNotice* notice)
    : images_(images),
      host_(host),
      notice_(notice),
      shadowPass_(ApplySunShadow),
      twilightPass_(ApplyTwilight) {}

bool Compositor::GuardedCloudBlend(const Dib* base, const Dib* cloud) {
  if (blendInProgress_) return false;
  blendInProgress_ = true;
  DibPtr& composed = images_.composedSlot();
  bool done = false;
  if (SameSize24(base, cloud) && EnsureLike(composed, base)) {
    done = CloudBlend(base, cloud, composed.get());
  }
  blendInProgress_ = false;
  return done;
}

// A blend or tint over the base picture. When the other image is missing the composed map
// becomes a plain copy of the base, so that the shadow pass that follows starts from a fresh
// picture instead of darkening the last one again. False when nothing fresh was made.
bool Compositor::BlendOrCopy(const Dib* base, const Dib* over, bool zoneTint) {
  if (!DibIsValid(base)) return false;
  if (zoneTint) {
    DibPtr& composed = images_.composedSlot();
    if (SameSize24(base, over) && EnsureLike(composed, base) &&
        ZoneTint(base, over, composed.get())) {
      return true;
    }
  } else {
    if (blendInProgress_) return false;
    if (GuardedCloudBlend(base, over)) return true;
  }
  CopyInto(images_.composedSlot(), base);
  return images_.composed() != nullptr;
}

bool Compositor::EnsureComposed() {
  if (!baseStale_) return true;
  const bool deferred = baseDeferred_;
  baseDeferred_ = false;
  const bool changed = changed_;
  const bool done = Compose(composedAt_);
  changed_ = changed || done;
  baseDeferred_ = deferred;
  return done;
}

bool Compositor::Compose(TimeValue now) {
  if (host_ && host_->Minimised()) return false;
  const ComposeSource source = ChooseComposeSource(modes);
  if (baseDeferred_ && (source == ComposeSource::kDay || source == ComposeSource::kZones) &&
      images_.composed() != nullptr) {
    composedAt_ = now;
    changed_ = true;
    baseStale_ = true;
    return true;
  }
  baseStale_ = false;
  if (modes.night && !images_.night()) images_.LoadNight();

  bool fresh = true;
  switch (source) {
    case ComposeSource::kCloudsOverDay:
      fresh = BlendOrCopy(images_.day(), images_.cloud(), false);
      break;
    case ComposeSource::kCloudsOverNight:
      modes.shadow = false;
      fresh = BlendOrCopy(images_.night(), images_.cloud(), false);
      break;
    case ComposeSource::kNight:
      modes.shadow = false;
      CopyInto(images_.composedSlot(), images_.night());
      break;
    case ComposeSource::kClouds:
      CopyInto(images_.composedSlot(), images_.cloud());
      break;
    case ComposeSource::kZones:
      fresh = BlendOrCopy(images_.day(), images_.zones(), true);
      break;
    case ComposeSource::kDay:
      CopyInto(images_.composedSlot(), images_.day());
      break;
  }

  if (modes.shadow && !images_.night()) images_.LoadNight();
  // The shadowed day a start computed in advance serves once, when it is what this pass would
  // give; otherwise it is let go.
  const bool inAdvance = images_.TakeShadowedDay(
      modes.shadow && !modes.twilight && fresh && source == ComposeSource::kDay ? now : kNoTime);
  // A composed map that was not made afresh already carries a shadow.
  if (modes.shadow && fresh && !inAdvance) RunShadowPass(now);
  // The pictures and the shadow are worked out with -180 at the left; a composed map that was
  // not made afresh was turned when it was.
  if (fresh) TurnToMapCenter(images_.composed(), center);
  composedAt_ = now;
  changed_ = true;
  return true;
}

void Compositor::RunShadowPass(TimeValue now) {
  Dib* composed = images_.composed();
  const Dib* night = images_.night();
  if (!shadowPass_ || !SameSize24(composed, night)) return;
  const bool showStatus = notice_ && !(host_ && host_->TransferInProgress());
  if (host_) host_->SetWaitCursor(true);
  if (showStatus) notice_->ShowStatus(0, kCalculatingShadowText);
  if (modes.twilight) {
    if (twilightPass_) twilightPass_(composed, night, now);
  } else {
    shadowPass_(composed, night, now);
  }
  if (host_) host_->SetWaitCursor(false);
  if (showStatus) notice_->ShowStatus(0, "");
}

bool Compositor::ShowCloudFrame(const Dib* frame) {
  if (blendInProgress_) return false;
  baseStale_ = false;
  CopyInto(images_.composedSlot(), images_.day());
  const Dib* base = modes.night ? images_.night() : images_.day();
  GuardedCloudBlend(base, frame);
  // A frame over the day carries the shadow of the instant on show when Sun Shadow is ticked.
  if (modes.shadow && !modes.night) {
    if (!images_.night()) images_.LoadNight();
    RunShadowPass(composedAt_);
  }
  TurnToMapCenter(images_.composed(), center);
  changed_ = true;
  return true;
}

}  // namespace meridiana
