#include "map/view_image.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace meridiana {

namespace {

// A run of view columns whose source columns are consecutive: copied with one memcpy.
struct ColumnRun {
  int viewColumn;
  int sourceColumn;
  int length;
};

int Trunc(float v) {
  if (!(v > -2147483648.0f && v < 2147483648.0f)) return v > 0 ? 2147483647 : -2147483647 - 1;
  return static_cast<int>(v);
}

// Source columns are the same for every row, so they are worked out once per image.
std::vector<ColumnRun> ColumnRuns(const MapView& view, int width, int sourceWidth) {
  std::vector<ColumnRun> runs;
  for (int i = 0; i < width; ++i) {
    const long long column =
        static_cast<long long>(view.EffectiveScrollX()) + Trunc(static_cast<float>(i) / view.zoom);
    if (column >= sourceWidth) break;
    if (column < 0) continue;
    const int c = static_cast<int>(column);
    if (!runs.empty()) {
      ColumnRun& last = runs.back();
      if (last.viewColumn + last.length == i && last.sourceColumn + last.length == c) {
        ++last.length;
        continue;
      }
    }
    runs.push_back({i, c, 1});
  }
  return runs;
}

}  // namespace

DibPtr BuildViewImage(const Dib* composed, const MapView& view, int width, int height) {
  DibPtr out = DibCreate(width, height, 24);
  if (!out) return out;
  if (!DibIsValid(composed) || DibBitsPerPixel(composed) != 24) return out;
  if (!(std::isfinite(view.zoom) && view.zoom > 0)) return out;

  const int sourceWidth = DibWidth(composed);
  const int sourceHeight = DibHeight(composed);
  const std::vector<ColumnRun> runs = ColumnRuns(view, width, sourceWidth);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;

  long long previous = -1;  // source row of the previous view row, -1 for none yet
  for (int j = 0; j < height; ++j) {
    const long long s =
        static_cast<long long>(view.EffectiveScrollY()) + Trunc(static_cast<float>(j) / view.zoom);
    if (s >= sourceHeight) break;  // later rows stay black
    if (s < 0) continue;
    uint8_t* dst = out->rows[j];
    if (s == previous) {
      std::memcpy(dst, out->rows[j - 1], rowBytes);
      continue;
    }
    previous = s;
    const uint8_t* src = composed->rows[static_cast<std::size_t>(s)];
    for (const ColumnRun& run : runs) {
      if (run.length == 1) {
        uint8_t* d = dst + run.viewColumn * 3;
        const uint8_t* p = src + run.sourceColumn * 3;
        d[0] = p[0];
        d[1] = p[1];
        d[2] = p[2];
      } else {
        std::memcpy(dst + run.viewColumn * 3, src + run.sourceColumn * 3,
                    static_cast<std::size_t>(run.length) * 3);
      }
    }
  }
  return out;
}

const Dib* ViewImageCache::Update(const Dib* composed, bool composedChanged, const MapRect& area,
                                  const MapView& view) {
  rebuilt_ = false;
  if (!DibIsValid(composed) || area.width <= 0 || area.height <= 0) {
    image_.reset();
    return nullptr;
  }
  const bool same = image_ && !composedChanged && area == rect_ && view.zoom == zoom_ &&
                    view.EffectiveScrollX() == scrollX_ && view.EffectiveScrollY() == scrollY_;
  if (same) return image_.get();
  image_ = BuildViewImage(composed, view, area.width, area.height);
  rect_ = area;
  zoom_ = view.zoom;
  scrollX_ = view.EffectiveScrollX();
  scrollY_ = view.EffectiveScrollY();
  rebuilt_ = image_ != nullptr;
  return image_.get();
}

}  // namespace meridiana
