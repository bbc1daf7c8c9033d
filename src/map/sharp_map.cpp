#include "map/sharp_map.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
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

// Where a frame starting at base-map `start` begins, counted in whole device pixels from the base
// map's edge: the start rounded to the nearest device pixel. The picture then lies at most half a
// device pixel from the exact place, and a scroll by any distance at any zoom x ratio moves the
// frame by whole device pixels, so what two frames both show is sampled alike.
double DeviceOrigin(double start, double step) { return std::round(start / step); }

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

// The taps of every device row and column of a frame into one picture. A row is sampled in two
// passes: the picture's two rows blended by the row's weight (over the span of columns the frame
// reads, in 16 bits, which the compiler vectorises), then each device pixel from its two columns
// of that, in 15-bit fixed point.
class FrameTaps {
 public:
  FrameTaps(const Dib* picture, const SharpFrame& frame)
      : rows_(Taps(frame.height, frame.top, frame.step, kBaseMapHeight, DibHeight(picture), false,
                   0)),
        size_(DibWidth(picture)) {
    const std::vector<Tap> columns =
        Taps(frame.width, frame.left, frame.step, kBaseMapWidth, size_, true, frame.shift);
    offsets_.resize(columns.size());
    weights_.resize(columns.size());
    pairWeights_.resize(columns.size());
    wraps_.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const Tap& tap = columns[i];
      // A column off the map reads the black pixel after the row's end with all its weight.
      offsets_[i] = 3 * static_cast<std::uint32_t>(tap.inside ? tap.first : size_ + 1);
      weights_[i] = static_cast<std::uint16_t>(tap.inside ? tap.weight : 0);
      pairWeights_[i] = static_cast<std::uint32_t>(kWeightOne - weights_[i]) |
                        static_cast<std::uint32_t>(weights_[i]) << 16;
      // Across the date line the second neighbour is the row's first pixel, copied after its end.
      wraps_[i] = tap.inside && tap.second < tap.first;
    }
  }

  // Samples a block of the frame into `out`; device pixels off the base map are black.
  void Sample(const Dib* picture, Dib* out, const Block& block) const {
    const std::size_t rowValues = 3 * static_cast<std::size_t>(size_);
    // The blended row, its first pixel again and a black pixel, then room for the vector loads:
    // they read a pixel and the one after it four values each, also from the black pixel.
    std::vector<std::uint16_t> blended(rowValues + 10, 0);
    // The values of a picture row this block's columns read: all of them across the date line.
    std::size_t spanFirst = rowValues;
    std::size_t spanEnd = 0;
    bool wraps = false;
    for (int i = block.left; i < block.right; ++i) {
      const std::size_t at = static_cast<std::size_t>(i);
      if (offsets_[at] >= rowValues) continue;
      wraps |= wraps_[at] != 0;
      spanFirst = std::min<std::size_t>(spanFirst, offsets_[at]);
      spanEnd = std::max<std::size_t>(spanEnd, offsets_[at] + 6);
    }
    if (wraps) {
      spanFirst = 0;
      spanEnd = rowValues;
    }
    spanEnd = std::min(spanEnd, rowValues);
    const std::uint32_t* offsets = offsets_.data();
    const std::uint16_t* weights = weights_.data();
    [[maybe_unused]] const std::uint32_t* pairWeights = pairWeights_.data();
    for (int j = block.top; j < block.bottom; ++j) {
      const Tap& row = rows_[static_cast<std::size_t>(j)];
      uint8_t* o = out->rows[static_cast<std::size_t>(j)] + 3 * block.left;
      if (!row.inside) {
        std::memset(o, 0, 3 * static_cast<std::size_t>(block.right - block.left));
        continue;
      }
      const uint8_t* upper = picture->rows[static_cast<std::size_t>(row.first)];
      const uint8_t* lower = picture->rows[static_cast<std::size_t>(row.second)];
      const std::uint16_t wy = static_cast<std::uint16_t>(row.weight);
      const std::uint16_t wu = static_cast<std::uint16_t>(kWeightOne - row.weight);
      std::uint16_t* v = blended.data();
      // Halved, the blend fits in 15 bits, as the signed multiplies below need.
      for (std::size_t k = spanFirst; k < spanEnd; ++k)
        v[k] = static_cast<std::uint16_t>((upper[k] * wu + lower[k] * wy + 1) >> 1);
      if (wraps) std::memcpy(v + rowValues, v, 3 * sizeof(std::uint16_t));
      int i = block.left;
#ifdef __SSE2__
      // A pixel at a time in vector registers: its two neighbours' channels side by side, times
      // their weights, summed in pairs. The store writes a fourth byte, which the next pixel
      // overwrites, so the block's last pixel is left to the plain loop.
      const __m128i half = _mm_set1_epi32(1 << (2 * kWeightBits - 2));
      for (; i + 1 < block.right; ++i, o += 3) {
        const std::uint16_t* a = v + offsets[i];
        const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
        const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + 3));
        const __m128i pairs = _mm_unpacklo_epi16(first, second);
        const __m128i weight = _mm_set1_epi32(static_cast<int>(pairWeights[i]));
        __m128i sum = _mm_add_epi32(_mm_madd_epi16(pairs, weight), half);
        sum = _mm_srli_epi32(sum, 2 * kWeightBits - 1);
        sum = _mm_packs_epi32(sum, sum);
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
        std::memcpy(o, &bytes, 4);
      }
#endif
      constexpr std::uint32_t kHalf = 1u << (2 * kWeightBits - 2);
      for (; i < block.right; ++i, o += 3) {
        const std::uint16_t* a = v + offsets[i];
        const std::uint32_t wx = weights[i];
        const std::uint32_t wl = kWeightOne - wx;
        o[0] = static_cast<uint8_t>((a[0] * wl + a[3] * wx + kHalf) >> (2 * kWeightBits - 1));
        o[1] = static_cast<uint8_t>((a[1] * wl + a[4] * wx + kHalf) >> (2 * kWeightBits - 1));
        o[2] = static_cast<uint8_t>((a[2] * wl + a[5] * wx + kHalf) >> (2 * kWeightBits - 1));
      }
    }
  }

 private:
  std::vector<Tap> rows_;
  int size_;
  std::vector<std::uint32_t> offsets_;      // per device column: its first neighbour's first value
  std::vector<std::uint16_t> weights_;      // and the second neighbour's weight
  std::vector<std::uint32_t> pairWeights_;  // the first's weight, the second's above it
  std::vector<std::uint8_t> wraps_;
};

// How many device pixels `to` lies right of and below `from` when the two differ only by that;
// none otherwise, or when they share no pixel.
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
    if (!(std::fabs(origin) <= 1e9)) return std::nullopt;
  const long dx = std::lround(toX - fromX);
  const long dy = std::lround(toY - fromY);
  if (std::labs(dx) >= to.width || std::labs(dy) >= to.height) return std::nullopt;
  return std::pair{dx, dy};
}

// Samples each picture there is for the frame into its slot, reusing a slot's image when it has
// the frame's size (a zoom step: no new memory to fault in and clear), else a new one; a slot
// without a picture is emptied. A frame of a screen's size takes tens of milliseconds on one
// core and a zoom waits for it, so the lower half of every picture is sampled on a second
// thread; each row is written by one only.
void SampleAll(const std::array<const Dib*, 4>& pictures, const SharpFrame& frame,
               std::array<DibPtr, 4>& slots) {
  std::vector<std::pair<const Dib*, Dib*>> jobs;
  std::vector<FrameTaps> taps;
  taps.reserve(pictures.size());
  for (std::size_t k = 0; k < pictures.size(); ++k) {
    DibPtr& slot = slots[k];
    if (!Usable(pictures[k]) || !FrameUsable(frame)) {
      slot.reset();
      continue;
    }
    if (!DibIsValid(slot.get()) || DibWidth(slot.get()) != frame.width ||
        DibHeight(slot.get()) != frame.height || DibBitsPerPixel(slot.get()) != 24) {
      slot = DibCreateToOverwrite(frame.width, frame.height, 24, 256);  // sampled whole
      if (!slot) continue;
    }
    jobs.emplace_back(pictures[k], slot.get());
    taps.emplace_back(pictures[k], frame);
  }
  const auto run = [&](int top, int bottom) {
    for (std::size_t k = 0; k < jobs.size(); ++k)
      taps[k].Sample(jobs[k].first, jobs[k].second, {top, bottom, 0, frame.width});
  };
  constexpr long kPixelsForTwoThreads = 512 * 512;
  const long pixels =
      static_cast<long>(frame.width) * frame.height * static_cast<long>(jobs.size());
  if (pixels >= kPixelsForTwoThreads && std::thread::hardware_concurrency() > 1) {
    const int half = frame.height / 2;
    std::thread lower([&] { run(half, frame.height); });
    run(0, half);
    lower.join();
  } else {
    run(0, frame.height);
  }
}

// Rows [top, bottom) of an image as an image of their own, sharing its pixels: a band a pass can
// work on while another thread works on the rest.
DibPtr RowBand(const Dib* dib, int top, int bottom) {
  DibPtr band = std::make_unique<Dib>();
  band->signature = dib->signature;
  band->header = dib->header;
  band->header.height = bottom - top;
  band->rows.assign(dib->rows.begin() + top, dib->rows.begin() + bottom);
  return band;
}

ShadeGrid GridBand(const ShadeGrid& grid, int top, int bottom) {
  ShadeGrid band;
  band.rowLatitude.assign(grid.rowLatitude.begin() + top, grid.rowLatitude.begin() + bottom);
  band.columnLongitude = grid.columnLongitude;
  return band;
}

// The day copied and shaded by the sun shadow, the lower half of the rows on a second thread:
// each row's pixels depend on that row's place only.
void ShadeInBands(Dib* composed, const Dib* night, TimeValue now, const ShadeGrid& grid,
                  const Dib* day) {
  const int height = DibHeight(composed);
  constexpr long kPixelsForTwoThreads = 512 * 512;
  if (static_cast<long>(DibWidth(composed)) * height < kPixelsForTwoThreads ||
      std::thread::hardware_concurrency() < 2 || !ShadowImagesMatch(composed, night) ||
      !ShadowImagesMatch(composed, day) || !GridFits(grid, composed)) {
    ApplySunShadowOn(composed, night, now, grid, day);
    return;
  }
  const int half = height / 2;
  const auto shade = [&](int top, int bottom) {
    const DibPtr out = RowBand(composed, top, bottom);
    const DibPtr darks = RowBand(night, top, bottom);
    const DibPtr base = RowBand(day, top, bottom);
    ApplySunShadowOn(out.get(), darks.get(), now, GridBand(grid, top, bottom), base.get());
  };
  std::thread lower([&] { shade(half, height); });
  shade(0, half);
  lower.join();
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
  const double top = DeviceOrigin(frame.top, frame.step);
  const double left = DeviceOrigin(frame.left, frame.step);
  for (int y = 0; y < frame.height; ++y) {
    const double base = (top + y + 0.5) * frame.step;
    grid.rowLatitude[static_cast<std::size_t>(y)] =
        std::clamp(90.0 - base * 180.0 / kBaseMapHeight, -90.0, 90.0);
  }
  for (int x = 0; x < frame.width; ++x) {
    double base = (left + x + 0.5) * frame.step;
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
  std::array<DibPtr, 4> sampled;
  const std::array<const Dib*, 4> pictures = {picture, nullptr, nullptr, nullptr};
  SampleAll(pictures, frame, sampled);
  return std::move(sampled[0]);
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
      // Sampled again below, into the same images.
      images_->PutForFrame(std::move(sampled[0]), std::move(sampled[1]), std::move(sampled[2]),
                           std::move(sampled[3]));
    }
  }
  if (!images_ || reads != reads_ || !(frame == frame_) || !(sources == sources_)) {
    // The last frame's images are sampled over when they have this one's size.
    if (!images_) images_ = std::make_unique<MapImages>(std::string(), nullptr);
    std::array<DibPtr, 4> sampled = images_->TakeForFrame();
    SampleAll({readsDay ? sources.day : nullptr, readsNight ? sources.night : nullptr,
               modes.zones ? sources.zones : nullptr, modes.clouds ? sources.cloud : nullptr},
              frame, sampled);
    images_->PutForFrame(std::move(sampled[0]), std::move(sampled[1]), std::move(sampled[2]),
                         std::move(sampled[3]));
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
      composed = DibCreateToOverwrite(DibWidth(day), DibHeight(day), 24, 256);  // shaded whole
      if (!composed) return nullptr;
    }
    ShadeInBands(composed.get(), images_->night(), now, grid_, day);
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
