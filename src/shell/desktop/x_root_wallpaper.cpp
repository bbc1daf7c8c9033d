// A plain X server (a bare window manager, no desktop): the root window's background becomes a
// pixmap of the map, letterboxed to the screen, named in _XROOTPMAP_ID and ESETROOT_PMAP_ID as
// the tools that set backgrounds do, so that terminals and panels that show the root's
// background find it. Our own earlier pixmap is freed; the user's is kept and put back.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "map/dib_ops.h"
#include "map/image_load.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

constexpr char kRootPixmap[] = "_XROOTPMAP_ID";
constexpr char kSetRootPixmap[] = "ESETROOT_PMAP_ID";
// Which pixmap this program made: only that one is ever freed, never the user's.
constexpr char kOurPixmap[] = "_MERIDIANA_PIXMAP";

// A request on a pixmap that has gone must not end the program, as Xlib's own handler would.
int failedRequests = 0;
int CountError(Display*, XErrorEvent*) {
  ++failedRequests;
  return 0;
}

class Connection {
 public:
  Connection() : display_(XOpenDisplay(nullptr)) {
    if (display_ != nullptr) previousHandler_ = XSetErrorHandler(CountError);
  }
  ~Connection() {
    if (display_ == nullptr) return;
    XCloseDisplay(display_);
    XSetErrorHandler(previousHandler_);
  }
  Display* get() const { return display_; }

 private:
  Display* display_;
  XErrorHandler previousHandler_ = nullptr;
};

Pixmap PixmapProperty(Display* display, Window root, const char* name) {
  const Atom atom = XInternAtom(display, name, True);
  if (atom == None) return None;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  Pixmap pixmap = None;
  if (XGetWindowProperty(display, root, atom, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_PIXMAP && format == 32 && count == 1 && data != nullptr)
    pixmap = *reinterpret_cast<Pixmap*>(data);
  if (data != nullptr) XFree(data);
  return pixmap;
}

void SetPixmapProperties(Display* display, Window root, Pixmap pixmap,
                         std::initializer_list<const char*> names = {kRootPixmap, kSetRootPixmap}) {
  for (const char* name : names) {
    const Atom atom = XInternAtom(display, name, False);
    if (pixmap == None) {
      XDeleteProperty(display, root, atom);
    } else {
      XChangeProperty(display, root, atom, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&pixmap), 1);
    }
  }
}

// The pixmap of the map, letterboxed on black; None when the server has no true-colour visual.
Pixmap MapPixmap(Display* display, int screen, const Dib* map) {
  const int width = DisplayWidth(display, screen);
  const int height = DisplayHeight(display, screen);
  const int depth = DefaultDepth(display, screen);
  Visual* visual = DefaultVisual(display, screen);
  if (visual->c_class != TrueColor || depth < 24) return None;
  // Fit the map into the screen keeping its aspect.
  int mapWidth = width;
  int mapHeight = width / 2;
  if (mapHeight > height) {
    mapHeight = height;
    mapWidth = height * 2;
  }
  const DibPtr scaled = DibScale(map, mapWidth, mapHeight);
  if (!scaled) return None;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
  const int left = (width - mapWidth) / 2;
  const int top = (height - mapHeight) / 2;
  for (int y = 0; y < mapHeight; ++y) {
    // The row table starts at the top row, whatever the storage order; pixels are BGR.
    const std::uint8_t* row = scaled->rows[static_cast<std::size_t>(y)];
    std::uint32_t* out = &pixels[static_cast<std::size_t>(top + y) * width + left];
    for (int x = 0; x < mapWidth; ++x)
      out[x] =
          (std::uint32_t{row[3 * x + 2]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
  }
  XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return None;
  const Pixmap pixmap =
      XCreatePixmap(display, RootWindow(display, screen), static_cast<unsigned>(width),
                    static_cast<unsigned>(height), static_cast<unsigned>(depth));
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  XFreeGC(display, gc);
  image->data = nullptr;  // the vector owns the pixels
  XDestroyImage(image);
  return pixmap;
}

class XRootWallpaper : public WallpaperBackend {
 public:
  std::string Name() const override { return "X"; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    Connection x;
    if (x.get() == nullptr) {
      *error = "no X display to show the wallpaper on";
      return false;
    }
    const Pixmap pixmap = PixmapProperty(x.get(), DefaultRootWindow(x.get()), kRootPixmap);
    *kept = {};
    if (pixmap != None) kept->file = {true, "pixmap:" + std::to_string(pixmap)};
    return true;
  }

  std::string Apply(const std::string& file) override {
    Connection x;
    if (x.get() == nullptr) return "no X display to show the wallpaper on";
    const DibPtr map = DibLoad(file.c_str(), kMapPictureMaxPixels);
    if (!map) return "the wallpaper file cannot be read back: " + file;
    Display* display = x.get();
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const Pixmap pixmap = MapPixmap(display, screen, map.get());
    if (pixmap == None) return "the X server has no true-colour screen for the wallpaper";
    const Pixmap ourPrevious = PixmapProperty(display, root, kOurPixmap);
    ShowPixmap(display, root, pixmap);
    SetPixmapProperties(display, root, pixmap, {kOurPixmap});
    // The map's earlier pixmap lives on in its connection's kept resources until freed here.
    if (ourPrevious != None && ourPrevious != pixmap) XKillClient(display, ourPrevious);
    XSetCloseDownMode(display, RetainPermanent);
    XSync(display, False);
    if (PixmapProperty(display, root, kRootPixmap) != pixmap)
      return "the X server did not keep the root window's background";
    return {};
  }

  // The root's pixmap is the map's when it is the one this program made.
  bool ShowsOwnFile(const KeptSetting& picture) const override {
    if (!picture.set || picture.value.rfind("pixmap:", 0) != 0) return false;
    Connection x;
    if (x.get() == nullptr) return false;
    const Pixmap ours = PixmapProperty(x.get(), DefaultRootWindow(x.get()), kOurPixmap);
    return ours != None && std::to_string(ours) == picture.value.substr(7);
  }

  std::string Restore(const KeptWallpaper& kept) override {
    Connection x;
    if (x.get() == nullptr) return "no X display to give the wallpaper back on";
    Display* display = x.get();
    const Window root = DefaultRootWindow(display);
    const Pixmap ours = PixmapProperty(display, root, kOurPixmap);
    Pixmap theirs = None;
    if (kept.file.set && kept.file.value.rfind("pixmap:", 0) == 0)
      theirs = static_cast<Pixmap>(std::strtoul(kept.file.value.c_str() + 7, nullptr, 10));
    failedRequests = 0;
    ShowPixmap(display, root, theirs);
    XSync(display, False);
    if (failedRequests > 0) ShowPixmap(display, root, None);  // theirs has gone since
    SetPixmapProperties(display, root, None, {kOurPixmap});
    if (ours != None && ours != theirs) XKillClient(display, ours);
    XSync(display, False);
    return {};
  }

 private:
  static void ShowPixmap(Display* display, Window root, Pixmap pixmap) {
    XSetWindowBackgroundPixmap(display, root, pixmap == None ? None : pixmap);
    XClearWindow(display, root);
    SetPixmapProperties(display, root, pixmap);
  }
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakeXRootWallpaper() {
  return std::make_unique<XRootWallpaper>();
}

}  // namespace meridiana
