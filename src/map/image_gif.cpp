// GIF pictures through giflib: the first frame, drawn on white at its place in the logical
// screen; its transparent colour stays white.

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "map/image_load.h"

namespace meridiana {
namespace {

// The file is read to its end so that a cut-off file is refused, but the frames after the first
// are only skipped; this many is more than any real animation.
constexpr int kMaxFrames = 4096;

struct GifSource {
  const uint8_t* data;
  std::size_t size;
  std::size_t position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  if (count <= 0) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(count), source->size - source->position);
  std::memcpy(out, source->data + source->position, n);
  source->position += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

bool SkipExtension(GifFileType* gif, GifByteType* block) {
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

bool SkipImageData(GifFileType* gif) {
  int code_size = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) return false;
  while (block != nullptr) {
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Decodes the current frame into the picture; interlaced frames are put upright.
bool DrawFrame(GifFileType* gif, int transparent, Dib* dib) {
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
  if (map == nullptr || desc.Width <= 0 || desc.Height <= 0) return false;
  std::vector<GifPixelType> line;
  try {
    line.resize(static_cast<std::size_t>(desc.Width));
  } catch (const std::bad_alloc&) {
    return false;
  }
  static constexpr int kPassStart[] = {0, 4, 2, 1};
  static constexpr int kPassStep[] = {8, 8, 4, 2};
  const int passes = desc.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = desc.Interlace ? kPassStart[pass] : 0;
    const int step = desc.Interlace ? kPassStep[pass] : 1;
    for (int row = start; row < desc.Height; row += step) {
      if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return false;
      const int y = desc.Top + row;
      if (y >= DibHeight(dib)) continue;
      uint8_t* out = dib->rows[static_cast<std::size_t>(y)];
      const int width = std::min(desc.Width, DibWidth(dib) - desc.Left);
      for (int x = 0; x < width; ++x) {
        const int index = line[static_cast<std::size_t>(x)];
        uint8_t* p = out + 3 * (desc.Left + x);
        if (index == transparent) continue;  // the white background shows
        if (index >= map->ColorCount) {
          p[0] = p[1] = p[2] = 0;
          continue;
        }
        const GifColorType& c = map->Colors[index];
        p[0] = c.Blue;
        p[1] = c.Green;
        p[2] = c.Red;
      }
    }
  }
  return true;
}

}  // namespace

DibPtr DibDecodeGif(const uint8_t* data, std::size_t size, int64_t maxPixels) {
  if (data == nullptr || size < 6) return nullptr;
  GifSource source{data, size, 0};
  int error = 0;
  GifHandle gif(DGifOpen(&source, ReadFromMemory, &error));
  if (!gif) return nullptr;

  DibPtr dib;
  int transparent = NO_TRANSPARENT_COLOR;
  int frames = 0;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return nullptr;
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return nullptr;
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && !dib) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
          transparent = control.TransparentColor;
      }
      if (!SkipExtension(gif.get(), block)) return nullptr;
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return nullptr;
      if (dib) {
        if (!SkipImageData(gif.get())) return nullptr;
        if (++frames >= kMaxFrames) break;
        continue;
      }
      const GifImageDesc& desc = gif->Image;
      if (desc.Left < 0 || desc.Top < 0 || desc.Width <= 0 || desc.Height <= 0) return nullptr;
      // The picture is the logical screen; a frame reaching beyond it widens the picture.
      const int64_t width = std::max<int64_t>(gif->SWidth, int64_t{desc.Left} + desc.Width);
      const int64_t height = std::max<int64_t>(gif->SHeight, int64_t{desc.Top} + desc.Height);
      dib = DibCreateForDecoder(width, height, maxPixels);
      if (!dib) return nullptr;
      std::memset(dib->pixels.data(), 0xFF, dib->pixels.size());
      if (!DrawFrame(gif.get(), transparent, dib.get())) return nullptr;
      ++frames;
    } else {
      return nullptr;
    }
  }
  return dib;
}

}  // namespace meridiana
