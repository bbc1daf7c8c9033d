#pragma once
// A downloaded cloud picture becomes a frame: decoded, checked to be a whole-world picture, its
// grey levels turned into the brightness the cloud blend reads (bright = cloud, dark = clear)
// and scaled to 1024 x 512.

#include <string>
#include <string_view>

#include "foundation/dib.h"

namespace meridiana::service {

// How a source's grey levels become cloud brightness: a level at or below `clear` is clear sky
// (0), at or above `full` full cloud (255), linear between.
struct TransferCurve {
  int clear = 0;
  int full = 255;
};

// Infrared greyscale as the publishers draw it, white = cold: the warm ground and sea sit below
// about 80 (the clear-sky peak of a global longwave mosaic is 32 to 63), thin and low cloud
// from 80 up, and cold high tops at 208 and above are full cloud. Cold polar ground would read
// as cloud too, but these mosaics end short of the poles.
inline constexpr TransferCurve kInfraredCurve{80, 208};
// A ready-made cloud map is already cloud brightness.
inline constexpr TransferCurve kCloudMapCurve{0, 255};

// The frame (24 bits, grey, kFrameWidth x kFrameHeight) of a downloaded picture, or null with
// one line in *problem: a reply that is markup (a WMS ServiceException, an HTML page), bytes
// that are no PNG, JPEG or GIF, a picture that is not twice as wide as high, or a picture of
// one level throughout (what a map server sends for a time it holds nothing for). Transparent
// pixels, where no satellite sees, stay clear. *nothingThere, when given, tells a reply that
// means "nothing for that time" (a ServiceException, a picture of one level) from a broken one.
DibPtr PictureToFrame(std::string_view bytes, const TransferCurve& curve, std::string* problem,
                      bool* nothingThere = nullptr);

}  // namespace meridiana::service
