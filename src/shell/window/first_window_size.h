#pragma once
// The size of the main window at its first start: the one that shows the whole base map at zoom
// 1, where the screen has room for it; the program's default size elsewhere.

#include <QSize>

namespace meridiana {

// chrome: what the window adds around the map (menu, toolbar, status bar); available: the
// screen's work area. The window manager's frame needs room too, so a little is kept free.
QSize FirstWindowSize(QSize chrome, QSize map, QSize available, QSize fallback);

}  // namespace meridiana
