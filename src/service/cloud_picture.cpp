#include "service/cloud_picture.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

#include "map/dib_ops.h"
#include "map/image_load.h"
#include "service/cloud_ingest.h"

namespace meridiana::service {
namespace {

constexpr std::size_t kMaxQuoted = 160;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::size_t FindNoCase(std::string_view text, std::string_view word) {
  const auto it =
      std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      });
  return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

// One line of a server's own words, short and without control characters.
std::string Quoted(std::string_view text) {
  std::string line;
  bool blank = false;
  for (const char c : text) {
    const bool space = static_cast<unsigned char>(c) < 0x20 || c == ' ';
    if (space) {
      blank = !line.empty();
      continue;
    }
    if (blank) line += ' ';
    blank = false;
    line += c;
    if (line.size() >= kMaxQuoted) break;
  }
  return line;
}

// Why a reply that is markup is not a picture, in the server's words where it gives them.
std::string MarkupProblem(std::string_view text) {
  // The element itself, not the report around it.
  std::size_t exception = FindNoCase(text, "<ServiceException");
  const std::size_t report = exception;
  while (exception != std::string_view::npos && exception + 17 < text.size() &&
         text[exception + 17] != '>' &&
         !std::isspace(static_cast<unsigned char>(text[exception + 17]))) {
    const std::size_t next = FindNoCase(text.substr(exception + 1), "<ServiceException");
    exception = next == std::string_view::npos ? next : exception + 1 + next;
  }
  if (exception == std::string_view::npos) exception = report;
  if (exception != std::string_view::npos) {
    const std::size_t open = text.find('>', exception);
    const std::size_t close = open == std::string_view::npos ? open : text.find('<', open);
    std::string words;
    if (close != std::string_view::npos) words = Quoted(text.substr(open + 1, close - open - 1));
    return "the map server refused: " + (words.empty() ? std::string("ServiceException") : words);
  }
  if (FindNoCase(text.substr(0, 1024), "<html") != std::string_view::npos ||
      FindNoCase(text.substr(0, 1024), "<!doctype html") != std::string_view::npos)
    return "an HTML page came instead of a picture";
  return "a markup document came instead of a picture";
}

DibPtr Decode(std::string_view bytes, std::vector<uint8_t>* alpha, std::string* problem) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  std::string_view start = bytes.substr(0, 64);
  if (StartsWith(start, "\xEF\xBB\xBF")) start.remove_prefix(3);
  while (!start.empty() && std::isspace(static_cast<unsigned char>(start.front())))
    start.remove_prefix(1);
  if (StartsWith(start, "<")) {
    *problem = MarkupProblem(bytes);
    return nullptr;
  }
  DibPtr picture;
  const char* format = nullptr;
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) {
    format = "PNG";
    picture = DibDecodePngWithAlpha(data, bytes.size(), kMapPictureMaxPixels, alpha);
  } else if (StartsWith(bytes, "\xFF\xD8\xFF")) {
    format = "JPEG";
    picture = DibDecodeJpeg(data, bytes.size(), kMapPictureMaxPixels);
  } else if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) {
    format = "GIF";
    picture = DibDecodeGif(data, bytes.size(), kMapPictureMaxPixels);
  } else {
    *problem = bytes.empty() ? "an empty reply came instead of a picture"
                             : "the reply is no PNG, JPEG or GIF picture";
    return nullptr;
  }
  if (!picture)
    *problem = std::string("the ") + format + " picture cannot be read (damaged, or larger than " +
               "8192 x 4096)";
  return picture;
}

}  // namespace

DibPtr PictureToFrame(std::string_view bytes, const TransferCurve& curve, std::string* problem,
                      bool* nothingThere) {
  bool ignored = false;
  if (!nothingThere) nothingThere = &ignored;
  *nothingThere = false;
  std::vector<uint8_t> alpha;
  DibPtr picture = Decode(bytes, &alpha, problem);
  if (!picture) {
    *nothingThere = problem->rfind("the map server refused", 0) == 0;
    return nullptr;
  }
  const int width = DibWidth(picture.get());
  const int height = DibHeight(picture.get());
  if (!IsEquirectangularSize(width, height)) {
    *problem = std::to_string(width) + " x " + std::to_string(height) +
               " is not a picture of the whole world (twice as wide as high)";
    return nullptr;
  }

  std::array<uint8_t, 256> level{};
  const int span = std::max(1, curve.full - curve.clear);
  for (int v = 0; v < 256; ++v)
    level[v] = static_cast<uint8_t>(std::clamp((v - curve.clear) * 255 / span, 0, 255));

  // In place, row by row: each pixel's luma through the curve, dimmed by its opacity, so what
  // no satellite sees is clear rather than the grey a transparent pixel happens to carry.
  int lowest = 255;
  int highest = -1;
  const uint8_t* opacity = alpha.empty() ? nullptr : alpha.data();
  for (int y = 0; y < height; ++y) {
    uint8_t* p = picture->rows[y];
    for (int x = 0; x < width; ++x, p += 3) {
      const int a = opacity ? *opacity++ : 255;
      const int luma = (p[2] * 77 + p[1] * 150 + p[0] * 29) >> 8;
      if (a != 0) {
        lowest = std::min(lowest, luma);
        highest = std::max(highest, luma);
      }
      const auto out = static_cast<uint8_t>(a == 255 ? level[luma] : level[luma] * a / 255);
      p[0] = p[1] = p[2] = out;
    }
  }
  if (highest < 0 || highest - lowest <= 2) {
    *nothingThere = true;
    *problem = highest < 0 ? "the picture is transparent throughout (nothing for that time)"
                           : "the picture is of one level throughout (nothing for that time)";
    return nullptr;
  }
  if (width == kFrameWidth && height == kFrameHeight) return picture;
  DibPtr frame = DibScale(picture.get(), kFrameWidth, kFrameHeight);
  if (!frame) *problem = "the picture cannot be scaled to a frame";
  return frame;
}

}  // namespace meridiana::service
