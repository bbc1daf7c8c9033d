#include "map/sharp_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "map/base_images.h"
#include "map/dib_ops.h"
#include "map/image_load.h"
#include "map/map_geometry.h"
#include "map/twilight.h"

namespace meridiana {
namespace {

// Bilinear weights in 1/256ths.
constexpr int kWeightBits = 8;
constexpr int kWeightOne = 1 << kWeightBits;

// Where a device column or row samples its picture: the two neighbours and the second one's
// weight; inside false outside the base map.
struct Tap {
  int first = 0;
  int second = 0;
  int weight = 0;
  bool inside = false;
};

// Taps along one axis: device index i samples the base map at start + (i + 0.5) * step, which
// is pixel coordinate that * scale - 0.5 of a picture `size` pixels long (scale pixels per
// base-map pixel), turned by `shift` base-map pixels. Columns wrap round the Earth; rows stop at
// the poles.
std::vector<Tap> Taps(int count, double start, double step, int baseSize, int size, bool wrap,
                      int shift) {
  std::vector<Tap> taps(static_cast<std::size_t>(count));
  const double scale = static_cast<double>(size) / baseSize;
  for (int i = 0; i < count; ++i) {
    const double base = start + (i + 0.5) * step;
    Tap& tap = taps[static_cast<std::size_t>(i)];
    if (!(base >= 0 && base < baseSize)) continue;
    tap.inside = true;
    const double at = (base + shift) * scale - 0.5;
    const double whole = std::floor(at);
    tap.weight = static_cast<int>(std::lround((at - whole) * kWeightOne));
    int first = static_cast<int>(whole);
    if (tap.weight == kWeightOne) {
      tap.weight = 0;
      ++first;
    }
    int second = first + 1;
    if (wrap) {
      first = (first % size + size) % size;
      second = (second % size + size) % size;
    } else {
      first = std::clamp(first, 0, size - 1);
      second = std::clamp(second, 0, size - 1);
    }
    tap.first = first;
    tap.second = second;
  }
  return taps;
}

bool Usable(const Dib* picture) {
  return DibIsValid(picture) && DibBitsPerPixel(picture) == 24 && DibWidth(picture) > 0 &&
         static_cast<std::size_t>(DibHeight(picture)) == picture->rows.size();
}

DibPtr SampleOrNull(const Dib* picture, const SharpFrame& frame) {
  return picture != nullptr ? SampleForFrame(picture, frame) : nullptr;
}

}  // namespace

SharpFrame WholeMapFrame(int scale) {
  SharpFrame frame;
  frame.width = kBaseMapWidth * scale;
  frame.height = kBaseMapHeight * scale;
  frame.step = 1.0 / scale;
  return frame;
}

ShadeGrid FrameGrid(const SharpFrame& frame) {
  ShadeGrid grid;
  grid.rowLatitude.resize(static_cast<std::size_t>(std::max(0, frame.height)));
  grid.columnLongitude.resize(static_cast<std::size_t>(std::max(0, frame.width)));
  for (int y = 0; y < frame.height; ++y) {
    const double base = frame.top + (y + 0.5) * frame.step;
    grid.rowLatitude[static_cast<std::size_t>(y)] =
        std::clamp(90.0 - base * 180.0 / kBaseMapHeight, -90.0, 90.0);
  }
  for (int x = 0; x < frame.width; ++x) {
    double base = frame.left + (x + 0.5) * frame.step;
    if (frame.shift != 0) {
      base = std::fmod(base + frame.shift, static_cast<double>(kBaseMapWidth));
      if (base < 0) base += kBaseMapWidth;
    }
    grid.columnLongitude[static_cast<std::size_t>(x)] =
        std::clamp(base * 360.0 / kBaseMapWidth - 180.0, -180.0, 180.0);
  }
  return grid;
}

bool NeedsSharpView(float zoom, double devicePixelRatio) {
  const double scale = static_cast<double>(zoom) * devicePixelRatio;
  return std::isfinite(scale) && scale > 1.0;
}

DibPtr SampleForFrame(const Dib* picture, const SharpFrame& frame) {
  if (!Usable(picture) || frame.width <= 0 || frame.height <= 0 || !(frame.step > 0) ||
      !std::isfinite(frame.left) || !std::isfinite(frame.top)) {
    return nullptr;
  }
  DibPtr out = DibCreate(frame.width, frame.height, 24, 256);
  if (!out) return nullptr;
  const int width = DibWidth(picture);
  const int height = DibHeight(picture);
  const std::vector<Tap> columns =
      Taps(frame.width, frame.left, frame.step, kBaseMapWidth, width, true, frame.shift);
  const std::vector<Tap> rows =
      Taps(frame.height, frame.top, frame.step, kBaseMapHeight, height, false, 0);
  const auto sampleRows = [&](int from, int to) {
    for (int j = from; j < to; ++j) {
      const Tap& row = rows[static_cast<std::size_t>(j)];
      if (!row.inside) continue;
      const uint8_t* upper = picture->rows[static_cast<std::size_t>(row.first)];
      const uint8_t* lower = picture->rows[static_cast<std::size_t>(row.second)];
      const int wy = row.weight;
      uint8_t* o = out->rows[static_cast<std::size_t>(j)];
      for (const Tap& column : columns) {
        if (column.inside) {
          const uint8_t* a = upper + 3 * column.first;
          const uint8_t* b = upper + 3 * column.second;
          const uint8_t* c = lower + 3 * column.first;
          const uint8_t* d = lower + 3 * column.second;
          const int wx = column.weight;
          for (int k = 0; k < 3; ++k) {
            const int top = a[k] * (kWeightOne - wx) + b[k] * wx;
            const int bottom = c[k] * (kWeightOne - wx) + d[k] * wx;
            o[k] = static_cast<uint8_t>(
                (top * (kWeightOne - wy) + bottom * wy + (1 << (2 * kWeightBits - 1))) >>
                (2 * kWeightBits));
          }
        }
        o += 3;
      }
    }
  };
  // A frame of a screen's size takes tens of milliseconds on one core (a zoom or a scroll waits
  // for it), so its lower half is sampled on a second thread; each row is written by one only.
  constexpr long kPixelsForTwoThreads = 512 * 512;
  const int half = frame.height / 2;
  if (static_cast<long>(frame.width) * frame.height >= kPixelsForTwoThreads &&
      std::thread::hardware_concurrency() > 1) {
    std::thread lower(sampleRows, half, frame.height);
    sampleRows(0, half);
    lower.join();
  } else {
    sampleRows(0, frame.height);
  }
  return out;
}

void DetailLevels::Put(DibPtr picture) {
  levels_.clear();
  if (!Usable(picture.get())) return;
  levels_.push_back(std::move(picture));
  // Halving by area averages keeps a level's detail without the shimmer of skipping pixels.
  while (DibWidth(levels_.back().get()) / 2 > kBaseMapWidth) {
    const Dib* last = levels_.back().get();
    DibPtr half = DibScale(last, DibWidth(last) / 2, std::max(1, DibHeight(last) / 2));
    if (!half) break;
    levels_.push_back(std::move(half));
  }
}

const Dib* DetailLevels::ForStep(double step) const {
  if (levels_.empty()) return nullptr;
  const double wanted = kBaseMapWidth / step;  // device pixels across the whole Earth
  for (auto level = levels_.rbegin(); level != levels_.rend(); ++level)
    if (DibWidth(level->get()) >= wanted) return level->get();
  return levels_.front().get();
}

bool SharpImagery::Load() {
  if (!tried_) {
    tried_ = true;
    std::string base = folder_;
    if (!base.empty() && base.back() != '/') base += '/';
    day_.Put(DibLoad((base + kSharpDayImagePath).c_str(), kMapPictureMaxPixels));
    night_.Put(DibLoad((base + kSharpNightImagePath).c_str(), kMapPictureMaxPixels));
  }
  return !day_.empty() && !night_.empty();
}

void SharpImagery::Put(DibPtr day, DibPtr night) {
  tried_ = true;
  day_.Put(std::move(day));
  night_.Put(std::move(night));
}

SharpSources ChooseSharpSources(const SharpImagery* sharp, const Dib* baseDay, const Dib* baseNight,
                                const Dib* baseZones, const Dib* baseCloud, double step) {
  SharpSources sources{baseDay, baseNight, baseZones, baseCloud};
  if (sharp != nullptr) {
    if (const Dib* day = sharp->day().ForStep(step)) sources.day = day;
    if (const Dib* night = sharp->night().ForStep(step)) sources.night = night;
  }
  return sources;
}

SharpComposer::SharpComposer() = default;
SharpComposer::~SharpComposer() = default;

void SharpComposer::Clear() {
  images_.reset();
  reads_ = 0;
}

DibPtr SharpComposer::Take() { return images_ ? std::move(images_->composedSlot()) : nullptr; }

const Dib* SharpComposer::Compose(const SharpSources& sources, const ViewModes& modes,
                                  TimeValue now, const SharpFrame& frame) {
  resampled_ = false;
  const ComposeSource source = ChooseComposeSource(modes);
  const bool readsDay = source == ComposeSource::kDay || source == ComposeSource::kZones ||
                        source == ComposeSource::kCloudsOverDay;
  const bool readsNight = modes.night || modes.shadow;
  if ((readsDay && sources.day == nullptr) || (readsNight && sources.night == nullptr) ||
      (modes.clouds && sources.cloud == nullptr)) {
    return nullptr;
  }
  // Only what this composition reads is sampled: each picture costs a pass over the frame.
  const unsigned reads = 1u | (readsDay ? 2u : 0u) | (readsNight ? 4u : 0u) |
                         (modes.zones ? 8u : 0u) | (modes.clouds ? 16u : 0u);
  if (!images_ || reads != reads_ || !(frame == frame_) || !(sources == sources_)) {
    images_ = std::make_unique<MapImages>(std::string(), nullptr);
    images_->PutForFrame(readsDay ? SampleOrNull(sources.day, frame) : nullptr,
                         readsNight ? SampleOrNull(sources.night, frame) : nullptr,
                         modes.zones ? SampleOrNull(sources.zones, frame) : nullptr,
                         modes.clouds ? SampleOrNull(sources.cloud, frame) : nullptr);
    grid_ = FrameGrid(frame);
    frame_ = frame;
    sources_ = sources;
    reads_ = reads;
    resampled_ = true;
  }
  if ((readsDay && !images_->day()) || (readsNight && !images_->night())) {
    Clear();
    return nullptr;
  }
  if (source == ComposeSource::kDay && modes.shadow && !modes.twilight && !modes.clouds) {
    // The common view, the day under the sun shadow, in one pass that copies and shades each
    // row together: the frame is several times the base map's size, and its trips through
    // memory are what a refresh costs.
    DibPtr& composed = images_->composedSlot();
    const Dib* day = images_->day();
    if (!composed || DibWidth(composed.get()) != DibWidth(day) ||
        DibHeight(composed.get()) != DibHeight(day)) {
      composed = DibCreate(DibWidth(day), DibHeight(day), 24, 256);
      if (!composed) return nullptr;
    }
    ApplySunShadowOn(composed.get(), images_->night(), now, grid_, day);
    return composed.get();
  }
  Compositor compositor(*images_, nullptr, nullptr);
  compositor.modes = modes;
  const ShadeGrid& grid = grid_;
  compositor.SetShadowPass([&grid](Dib* composed, const Dib* night, TimeValue at) {
    ApplySunShadowOn(composed, night, at, grid);
  });
  compositor.SetTwilightPass([&grid](Dib* composed, const Dib* night, TimeValue at) {
    ApplyTwilightOn(composed, night, at, grid);
  });
  compositor.Compose(now);
  return images_->composed();
}

DibPtr ComposeSharp(const SharpSources& sources, const ViewModes& modes, TimeValue now,
                    const SharpFrame& frame) {
  SharpComposer composer;
  if (composer.Compose(sources, modes, now, frame) == nullptr) return nullptr;
  return composer.Take();
}

}  // namespace meridiana
