#include "shell/window/sharp_view.h"

#include <cmath>

#include "map/base_images.h"
#include "map/compose.h"

namespace meridiana {

SharpFrame ViewFrame(const MapView& view, int width, int height, double ratio) {
  SharpFrame frame;
  frame.width = static_cast<int>(std::lround(width * ratio));
  frame.height = static_cast<int>(std::lround(height * ratio));
  frame.left = view.EffectiveScrollX();
  frame.top = view.EffectiveScrollY();
  frame.step = 1.0 / (static_cast<double>(view.zoom) * ratio);
  frame.shift = MapCenterShift(view.center, kBaseMapWidth);
  return frame;
}

void SharpViewCache::Clear() {
  composer_.Clear();
  filtered_.reset();
  image_ = nullptr;
}

const Dib* SharpViewCache::Update(const MapImages& images, const Compositor& compositor,
                                  bool composedChanged, const MapRect& area, const MapView& view,
                                  double ratio) {
  rebuilt_ = false;
  const Dib* composed = images.composed();
  if (!DibIsValid(composed) || area.width <= 0 || area.height <= 0 ||
      !NeedsSharpView(view.zoom, ratio)) {
    Clear();
    return nullptr;
  }
  const bool same = image_ != nullptr && !composedChanged && area == rect_ && view.zoom == zoom_ &&
                    view.EffectiveScrollX() == scrollX_ && view.EffectiveScrollY() == scrollY_ &&
                    ratio == ratio_;
  if (same) return image_;

  const SharpFrame frame = ViewFrame(view, area.width, area.height, ratio);
  image_ = nullptr;
  // A cloud frame (or the plain day of a start, before the first composition) is not composed
  // from the modes: its composed map is filtered up instead.
  const ViewModes& modes = compositor.modes;
  if (!modes.clouds && compositor.composedAt() != kNoTime) {
    if (!imagery_) {
      imagery_ = std::make_unique<SharpImagery>(images.folder());
      imagery_->Load();
    }
    image_ = composer_.Compose(ChooseSharpSources(imagery_.get(), images.day(), images.night(),
                                                  images.zones(), images.cloud(), frame.step),
                               modes, compositor.composedAt(), frame);
  }
  if (image_ != nullptr) {
    filtered_.reset();
  } else {
    composer_.Clear();
    filtered_ = SampleForFrame(composed, frame);
    image_ = filtered_.get();
  }
  rect_ = area;
  zoom_ = view.zoom;
  scrollX_ = view.EffectiveScrollX();
  scrollY_ = view.EffectiveScrollY();
  ratio_ = ratio;
  rebuilt_ = image_ != nullptr;
  return image_;
}

}  // namespace meridiana
