// Downloaded pictures into frames: the infrared curve's orientation judged on pixels (cold tops
// bright, warm ground dark, unseen areas clear), and the replies a map server sends instead of
// a picture refused with a reason.

#include "service/cloud_picture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "map/jpeg_writer.h"
#include "map/png_writer.h"
#include "service/cloud_ingest.h"

namespace meridiana::service {
namespace {

void Chunk(std::string* png, const char* type, const std::string& data) {
  const uint32_t length = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) *png += static_cast<char>((length >> shift) & 0xFF);
  std::string body(type);
  body += data;
  *png += body;
  const uint32_t crc =
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  for (int shift = 24; shift >= 0; shift -= 8) *png += static_cast<char>((crc >> shift) & 0xFF);
}

// A grey-and-alpha PNG (colour type 4) as map servers send it, each pixel from pixel(x, y),
// which gives {grey, alpha}. Written here because the program's own writer has no alpha.
std::string GreyAlphaPng(int width, int height,
                         const std::function<std::pair<uint8_t, uint8_t>(int, int)>& pixel) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    for (int x = 0; x < width; ++x) {
      const auto [grey, alpha] = pixel(x, y);
      raw += static_cast<char>(grey);
      raw += static_cast<char>(alpha);
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  EXPECT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &size,
                     reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size())),
            Z_OK);
  packed.resize(size);
  std::string header;
  for (const int value : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8)
      header += static_cast<char>((value >> shift) & 0xFF);
  header += std::string("\x08\x04\x00\x00\x00", 5);
  std::string png("\x89PNG\r\n\x1A\n", 8);
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", packed);
  Chunk(&png, "IEND", "");
  return png;
}

uint8_t Level(const Dib* frame, int x, int y) { return frame->rows[y][x * 3 + 1]; }

// Four quarters of an infrared picture: a cold cloud top, the warm ground, a middling cloud,
// and an area no satellite sees whose transparent pixels carry a cold-looking grey.
TEST(CloudPicture, InfraredCloudStaysBrightGroundGoesDarkUnseenStaysClear) {
  const std::string png = GreyAlphaPng(2048, 1024, [](int x, int y) -> std::pair<uint8_t, uint8_t> {
    const bool left = x < 1024;
    const bool top = y < 512;
    if (left && top) return {235, 255};  // cold top
    if (!left && top) return {45, 255};  // warm ground
    if (left) return {144, 255};         // half-way up the curve
    return {220, 0};                     // unseen
  });
  std::string problem;
  const DibPtr frame = PictureToFrame(png, kInfraredCurve, &problem);
  ASSERT_TRUE(frame) << problem;
  ASSERT_EQ(DibWidth(frame.get()), kFrameWidth);
  ASSERT_EQ(DibHeight(frame.get()), kFrameHeight);
  EXPECT_EQ(Level(frame.get(), 200, 100), 255);
  EXPECT_EQ(Level(frame.get(), 800, 100), 0);
  EXPECT_NEAR(Level(frame.get(), 200, 400), 127, 2);
  EXPECT_EQ(Level(frame.get(), 800, 400), 0);
  // Grey throughout, so the blend reads one brightness whatever channel it takes.
  const uint8_t* p = frame->rows[100] + 200 * 3;
  EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
}

// A ready-made cloud map (JPEG, no alpha) keeps its levels; a picture already 1024 x 512 is
// taken as it is.
TEST(CloudPicture, CloudMapKeepsItsLevels) {
  DibPtr picture = DibCreate(1024, 512, 24, 256);
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 1024; ++x) std::fill_n(picture->rows[y] + x * 3, 3, x < 512 ? 20 : 220);
  std::string jpeg;
  ASSERT_TRUE(EncodeJpeg(picture.get(), 95, &jpeg));
  std::string problem;
  const DibPtr frame = PictureToFrame(jpeg, kCloudMapCurve, &problem);
  ASSERT_TRUE(frame) << problem;
  EXPECT_NEAR(Level(frame.get(), 100, 100), 20, 3);
  EXPECT_NEAR(Level(frame.get(), 900, 100), 220, 3);
}

TEST(CloudPicture, RefusesWhatIsNoWholeWorldPicture) {
  DibPtr square = DibCreate(1000, 1000, 24, 256);
  for (int y = 0; y < 1000; ++y) std::fill_n(square->rows[y], 3000, static_cast<uint8_t>(y / 4));
  std::string squarePng;
  ASSERT_TRUE(EncodePng(square.get(), &squarePng));
  const std::string varied =
      GreyAlphaPng(256, 128, [](int x, int) { return std::pair<uint8_t, uint8_t>(x, 255); });
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
    bool nothingThere;
  } kCases[] = {
      {"service exception",
       "<?xml version=\"1.0\"?>\n<ServiceExceptionReport version=\"1.3.0\">\n"
       "<ServiceException code=\"InvalidDimensionValue\">\n  Time 2026-12-09T15:00:00Z is out of "
       "range\n</ServiceException></ServiceExceptionReport>",
       "refused: Time 2026-12-09T15:00:00Z is out of range", true},
      {"html page", "\n  <!DOCTYPE html><html><body>Service unavailable</body></html>", "HTML",
       false},
      {"empty reply", "", "empty", false},
      {"text", "Internal error", "no PNG, JPEG or GIF", false},
      {"cut-off png", varied.substr(0, varied.size() / 2), "cannot be read", false},
      {"square picture", squarePng, "1000 x 1000 is not a picture of the whole world", false},
      {"one level",
       GreyAlphaPng(512, 256, [](int, int) { return std::pair<uint8_t, uint8_t>(90, 255); }),
       "one level", true},
      {"transparent",
       GreyAlphaPng(512, 256, [](int x, int) { return std::pair<uint8_t, uint8_t>(x, 0); }),
       "transparent", true},
  };
  for (const auto& c : kCases) {
    std::string problem;
    bool nothingThere = !c.nothingThere;
    EXPECT_FALSE(PictureToFrame(c.bytes, kInfraredCurve, &problem, &nothingThere)) << c.name;
    EXPECT_NE(problem.find(c.says), std::string::npos) << c.name << ": " << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << c.name;
    EXPECT_EQ(nothingThere, c.nothingThere) << c.name;
  }
  std::string problem;
  EXPECT_TRUE(PictureToFrame(varied, kInfraredCurve, &problem)) << problem;
}

}  // namespace
}  // namespace meridiana::service
