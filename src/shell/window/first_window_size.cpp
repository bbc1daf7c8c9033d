#include "shell/window/first_window_size.h"

namespace meridiana {
namespace {

// Title bar and borders of a typical window manager, which the work area does not subtract.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

}  // namespace

QSize FirstWindowSize(QSize chrome, QSize map, QSize available, QSize fallback) {
  const QSize wanted = chrome + map;
  if (wanted.width() + kFrameWidth > available.width() ||
      wanted.height() + kFrameHeight > available.height()) {
    return fallback;
  }
  return wanted;
}

}  // namespace meridiana
