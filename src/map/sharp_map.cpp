#include "map/sharp_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
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

// Where a frame starting at base-map `start` begins, counted in device pixels from the base map's
// edge: a whole number when start falls on a device pixel's edge (within rounding), as it does
// after a scroll by whole base-map pixels at a whole zoom x ratio.
double DeviceOrigin(double start, double step) {
  const double at = start / step;
  const double whole = std::round(at);
  return std::fabs(at - whole) <= 1e-6 * std::max(1.0, std::fabs(at)) ? whole : at;
}

// Taps along one axis: device index i samples the base map at (origin + i + 0.5) * step, which
// is pixel coordinate that * scale - 0.5 of a picture `size` pixels long (scale pixels per
// base-map pixel), turned by `shift` base-map pixels. Columns wrap round the Earth; rows stop at
// the poles. With a whole origin, a frame moved by whole device pixels has exactly the same taps
// where the two overlap, so what was sampled for one serves the other.
std::vector<Tap> Taps(int count, double start, double step, int baseSize, int size, bool wrap,
                      int shift) {
  std::vector<Tap> taps(static_cast<std::size_t>(count));
  const double scale = static_cast<double>(size) / baseSize;
  const double origin = DeviceOrigin(start, step);
  for (int i = 0; i < count; ++i) {
    const double base = (origin + (i + 0.5)) * step;
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

bool FrameUsable(const SharpFrame& frame) {
  return frame.width > 0 && frame.height > 0 && frame.step > 0 && std::isfinite(frame.step) &&
         std::isfinite(frame.left) && std::isfinite(frame.top);
}

// Device rows [top, bottom) and columns [left, right) of a frame.
struct Block {
  int top;
  int bottom;
  int left;
  int right;
};

// The taps of every device row and column of a frame into one picture.
class FrameTaps {
 public:
  FrameTaps(const Dib* picture, const SharpFrame& frame)
      : rows_(Taps(frame.height, frame.top, frame.step, kBaseMapHeight, DibHeight(picture), false,
                   0)),
        columns_(Taps(frame.width, frame.left, frame.step, kBaseMapWidth, DibWidth(picture), true,
                      frame.shift)) {}

  // Samples a block of the frame into `out`; device pixels off the base map are black.
  void Sample(const Dib* picture, Dib* out, const Block& block) const {
    for (int j = block.top; j < block.bottom; ++j) {
      const Tap& row = rows_[static_cast<std::size_t>(j)];
      uint8_t* o = out->rows[static_cast<std::size_t>(j)] + 3 * block.left;
      if (!row.inside) {
        std::memset(o, 0, 3 * static_cast<std::size_t>(block.right - block.left));
        continue;
      }
      const uint8_t* upper = picture->rows[static_cast<std::size_t>(row.first)];
      const uint8_t* lower = picture->rows[static_cast<std::size_t>(row.second)];
      const int wy = row.weight;
      for (int i = block.left; i < block.right; ++i, o += 3) {
        const Tap& column = columns_[static_cast<std::size_t>(i)];
        if (!column.inside) {
          o[0] = o[1] = o[2] = 0;
          continue;
        }
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
    }
  }

 private:
  std::vector<Tap> rows_;
  std::vector<Tap> columns_;
};

// How many device pixels `to` lies right of and below `from` when the two differ only by that and
// both start on whole device pixels; none otherwise, or when they share no pixel.
std::optional<std::pair<long, long>> WholeDeviceMove(const SharpFrame& from, const SharpFrame& to) {
  if (from.width != to.width || from.height != to.height || from.step != to.step ||
      from.shift != to.shift || !FrameUsable(from) || !FrameUsable(to)) {
    return std::nullopt;
  }
  const double fromX = DeviceOrigin(from.left, from.step);
  const double fromY = DeviceOrigin(from.top, from.step);
  const double toX = DeviceOrigin(to.left, to.step);
  const double toY = DeviceOrigin(to.top, to.step);
  for (const double origin : {fromX, fromY, toX, toY})
    if (origin != std::round(origin) || std::fabs(origin) > 1e9) return std::nullopt;
  const long dx = std::lround(toX - fromX);
  const long dy = std::lround(toY - fromY);
  if (std::labs(dx) >= to.width || std::labs(dy) >= to.height) return std::nullopt;
  return std::pair{dx, dy};
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
  if (!Usable(picture) || !FrameUsable(frame)) return nullptr;
  DibPtr out = DibCreate(frame.width, frame.height, 24, 256);
  if (!out) return nullptr;
  const FrameTaps taps(picture, frame);
  // A frame of a screen's size takes tens of milliseconds on one core (a zoom waits for it), so
  // its lower half is sampled on a second thread; each row is written by one only.
  constexpr long kPixelsForTwoThreads = 512 * 512;
  const int half = frame.height / 2;
  if (static_cast<long>(frame.width) * frame.height >= kPixelsForTwoThreads &&
      std::thread::hardware_concurrency() > 1) {
    std::thread lower([&] {
      taps.Sample(picture, out.get(), {half, frame.height, 0, frame.width});
    });
    taps.Sample(picture, out.get(), {0, half, 0, frame.width});
    lower.join();
  } else {
    taps.Sample(picture, out.get(), {0, frame.height, 0, frame.width});
  }
  return out;
}

bool MoveSampled(const Dib* picture, const SharpFrame& from, const SharpFrame& to, Dib* sampled) {
  const std::optional<std::pair<long, long>> move = WholeDeviceMove(from, to);
  if (!move || !Usable(picture) || !FrameUsable(to) || !DibIsValid(sampled) ||
      DibWidth(sampled) != to.width || DibHeight(sampled) != to.height ||
      sampled->rows.size() != static_cast<std::size_t>(to.height)) {
    return false;
  }
  const auto [dx, dy] = *move;
  const int width = to.width;
  const int height = to.height;
  // Device pixel (i, j) of the new frame is (i + dx, j + dy) of the old one. Rows are moved in
  // the order that never overwrites a row still to be read.
  const std::size_t kept = 3 * static_cast<std::size_t>(width - std::labs(dx));
  const std::size_t into = 3 * static_cast<std::size_t>(std::max(0L, -dx));
  const std::size_t outOf = 3 * static_cast<std::size_t>(std::max(0L, dx));
  const auto moveRow = [&](long j) {
    std::memmove(sampled->rows[static_cast<std::size_t>(j)] + into,
                 sampled->rows[static_cast<std::size_t>(j + dy)] + outOf, kept);
  };
  if (dy >= 0) {
    for (long j = 0; j + dy < height; ++j) moveRow(j);
  } else {
    for (long j = height - 1; j + dy >= 0; --j) moveRow(j);
  }
  // What the old frame did not show: whole rows at the top or bottom, columns at one side.
  const FrameTaps taps(picture, to);
  const int keptFrom = static_cast<int>(std::max(0L, -dy));
  const int keptTo = static_cast<int>(std::min<long>(height, height - dy));
  if (keptFrom > 0) taps.Sample(picture, sampled, {0, keptFrom, 0, width});
  if (keptTo < height) taps.Sample(picture, sampled, {keptTo, height, 0, width});
  if (dx > 0)
    taps.Sample(picture, sampled, {keptFrom, keptTo, width - static_cast<int>(dx), width});
  if (dx < 0) taps.Sample(picture, sampled, {keptFrom, keptTo, 0, static_cast<int>(-dx)});
  return true;
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
  moved_ = false;
  if (images_ && reads == reads_ && sources == sources_ && !(frame == frame_)) {
    // A scroll: the kept pictures move, and only the strips the frame newly shows are sampled.
    std::array<DibPtr, 4> sampled = images_->TakeForFrame();
    const Dib* pictures[] = {sources.day, sources.night, sources.zones, sources.cloud};
    bool moved = true;
    for (std::size_t k = 0; k < sampled.size() && moved; ++k)
      moved = !sampled[k] || MoveSampled(pictures[k], frame_, frame, sampled[k].get());
    if (moved) {
      images_->PutForFrame(std::move(sampled[0]), std::move(sampled[1]), std::move(sampled[2]),
                           std::move(sampled[3]));
      grid_ = FrameGrid(frame);
      frame_ = frame;
      moved_ = true;
      resampled_ = true;
    } else {
      images_.reset();
    }
  }
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
