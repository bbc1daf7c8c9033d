#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "map/dib_ops.h"
#include "map/image_load.h"

namespace meridiana::cli {
namespace {

int ImageUsage() {
  std::fprintf(stderr, "usage: meridiana-cli image IN OUT.bmp [--width W] [--height H]\n");
  return 2;
}

}  // namespace

int RunImage(const Args& args) {
  std::string in;
  std::string out;
  int32_t width = 0;
  int32_t height = 0;
  bool has_width = false;
  bool has_height = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--width" || a == "--height") {
      if (i + 1 >= args.size()) return ImageUsage();
      const bool is_width = a == "--width";
      // A height of -1 keeps the aspect ratio; 0 is no size.
      const auto size =
          WholeNumberOption("image", a, args[++i], is_width ? 1 : -1, kDibMaxSide * 4L);
      if (!size) return 2;
      if (*size == 0) {
        std::fprintf(stderr,
                     "meridiana-cli image: --height wants -1 or a whole number from 1, not 0\n");
        return 2;
      }
      (is_width ? width : height) = static_cast<int32_t>(*size);
      (is_width ? has_width : has_height) = true;
    } else if (in.empty()) {
      in = a;
    } else if (out.empty()) {
      out = a;
    } else {
      return ImageUsage();
    }
  }
  if (in.empty() || out.empty()) return ImageUsage();

  DibPtr dib = DibLoad(in.c_str(), kAnyPictureMaxPixels);
  if (!dib) {
    std::fprintf(stderr, "meridiana-cli: cannot load picture '%s'\n", in.c_str());
    return 1;
  }
  if (has_width || has_height) {
    if (!has_height) height = -1;
    // A height alone keeps the aspect ratio the other way round.
    if (!has_width) {
      if (height == -1) return ImageUsage();
      width = static_cast<int32_t>(
          std::max<int64_t>(1, int64_t{height} * DibWidth(dib.get()) / DibHeight(dib.get())));
    }
    dib = DibScale(dib.get(), width, height);
    if (!dib) {
      std::fprintf(stderr, "meridiana-cli: cannot scale '%s' to that size\n", in.c_str());
      return 1;
    }
  }
  if (!DibSaveBmp(dib.get(), out.c_str())) {
    std::fprintf(stderr, "meridiana-cli: cannot write '%s'\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace meridiana::cli
