#include "shell/window/painter_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <vector>

#include "qt_test_app.h"

namespace meridiana {
namespace {

QImage Blank(int width, int height, qreal ratio) {
  QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::black);
  return image;
}

int ColouredPixelsInRow(const QImage& image, int y, QColor colour) {
  int n = 0;
  for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
  return n;
}

TEST(PainterCanvas, MarkersAreExactWholePixelsAtEveryDeviceRatio) {
  for (const qreal ratio : {1.0, 2.0}) {
    QImage image = Blank(40, 20, ratio);
    {
      QPainter painter(&image);
      PainterCanvas canvas(painter);
      // A city marker: the yellow 5 x 5 fill and its outline on the same square.
      canvas.FillRect(10, 5, 15, 10, Rgb{255, 255, 0});
      canvas.Outline(10, 5, 14, 9, Rgb{200, 0, 0});
    }
    const int s = static_cast<int>(ratio);
    const QColor red(200, 0, 0);
    const QColor yellow(255, 255, 0);
    // The top edge: 5 logical pixels, each s device pixels wide and high; nothing blurred.
    for (int dy = 0; dy < s; ++dy) EXPECT_EQ(ColouredPixelsInRow(image, 5 * s + dy, red), 5 * s);
    // A middle row: the outline's two sides and the yellow inside.
    const int middle = 7 * s;
    EXPECT_EQ(ColouredPixelsInRow(image, middle, red), 2 * s) << ratio;
    EXPECT_EQ(ColouredPixelsInRow(image, middle, yellow), 3 * s) << ratio;
    EXPECT_EQ(image.pixelColor(10 * s - 1, middle), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(15 * s, middle), QColor(Qt::black));
  }
}

TEST(PainterCanvas, TextIsRenderedAtDeviceResolutionAndMeasuredInLogicalPixels) {
  QImage single = Blank(100, 30, 1.0);
  QImage twice = Blank(100, 30, 2.0);
  TextSize one;
  TextSize two;
  for (QImage* image : {&single, &twice}) {
    QPainter painter(image);
    PainterCanvas canvas(painter);
    canvas.Text(2, 2, "14:05 Berlin", Rgb{0, 255, 0}, Rgb{0, 0, 0});
    (image == &single ? one : two) = canvas.MeasureText("14:05 Berlin");
  }
  EXPECT_GT(one.width, 30);
  EXPECT_NEAR(two.width, one.width, 2);  // logical units at both ratios
  // At ratio 2 the glyphs are drawn with the device's own pixels, not as a ratio-1 picture
  // scaled up: some aligned 2 x 2 block of device pixels is not of one colour.
  bool finerThanLogical = false;
  for (int y = 0; y + 1 < twice.height() && !finerThanLogical; y += 2) {
    for (int x = 0; x + 1 < twice.width(); x += 2) {
      const QRgb corner = twice.pixel(x, y);
      if (twice.pixel(x + 1, y) != corner || twice.pixel(x, y + 1) != corner ||
          twice.pixel(x + 1, y + 1) != corner) {
        finerThanLogical = true;
        break;
      }
    }
  }
  EXPECT_TRUE(finerThanLogical);
}

TEST(PainterCanvas, HaloRingsTextInTheContrastingColourOnDarkOcean) {
  const QColor ocean(0, 0, 60);
  const auto draw = [&](bool halo) {
    QImage image(120, 30, QImage::Format_RGB32);
    image.fill(ocean);
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    const Rgb blue{0, 0, 250};
    if (halo) {
      canvas.HaloText(5, 5, "Scale: 39.14 km", blue, ContrastingHalo(blue));
    } else {
      canvas.Text(5, 5, "Scale: 39.14 km", blue, std::nullopt);
    }
    return image;
  };
  const auto count = [](const QImage& image, auto test) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += test(image.pixelColor(x, y));
    return n;
  };
  const auto light = [](QColor c) { return c.red() > 200 && c.green() > 200; };
  const auto textBlue = [](QColor c) { return c.blue() > 200 && c.red() < 60; };
  const QImage plain = draw(false);
  const QImage ringed = draw(true);
  EXPECT_EQ(count(plain, light), 0);
  // The ring shows around the glyphs, and the glyphs themselves stay blue on top of it.
  EXPECT_GT(count(ringed, light), 40);
  EXPECT_GT(count(ringed, textBlue), 10);
  // Every blue text pixel has a light neighbour: that is what makes it read.
  for (int y = 1; y + 1 < ringed.height(); ++y)
    for (int x = 1; x + 1 < ringed.width(); ++x) {
      if (ringed.pixelColor(x, y) != QColor(0, 0, 250)) continue;
      bool ringedPixel = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) ringedPixel |= light(ringed.pixelColor(x + dx, y + dy));
      EXPECT_TRUE(ringedPixel) << x << "," << y;
    }
  // Light text gets a dark ring.
  EXPECT_EQ(ContrastingHalo(Rgb{0, 200, 0}), (Rgb{0, 0, 0}));
  EXPECT_EQ(ContrastingHalo(Rgb{0, 0, 250}), (Rgb{255, 255, 255}));
}

// A painter on a right-to-left window draws the grid's "-10.0" as a left-to-right one does,
// and an Arabic text still runs right to left.
TEST(PainterCanvas, TextDirectionComesFromTheTextNotTheWindow) {
  test::QtApp();
  const auto draw = [](Qt::LayoutDirection direction, const char* text) {
    QImage image(80, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setLayoutDirection(direction);
    PainterCanvas canvas(painter);
    canvas.Text(2, 2, text, Rgb{0, 0, 0}, std::nullopt);
    return image;
  };
  const QImage ltr = draw(Qt::LeftToRight, "-10.0");
  EXPECT_EQ(draw(Qt::RightToLeft, "-10.0"), ltr);
  const char* arabic = "\xd9\x85\xd9\x82\xd9\x8a\xd8\xa7\xd8\xb3: 5";  // "مقياس: 5"
  EXPECT_EQ(draw(Qt::LeftToRight, arabic), draw(Qt::RightToLeft, arabic));
}

// A picture with some texture under the overlays, so that blending shows.
QImage Textured(int width, int height, qreal ratio, QImage::Format format) {
  QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio), format);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, (x ^ y) & 255));
  image.setDevicePixelRatio(ratio);
  return image;
}

TEST(PainterCanvas, MarkersGiveThePixelsOfOneMarkerAfterTheOther) {
  // Overlapping and touching markers (later ones on top), markers half off the picture, and a
  // clip of two rectangles, which the direct path leaves to the painter.
  const std::vector<MapPoint> centres = {{10, 10}, {12, 11}, {14, 14}, {30, 10},
                                         {34, 10}, {1, 1},   {-1, 8},  {58, 28},
                                         {40, 20}, {41, 21}, {40, 20}, {20, 25}};
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
    for (const qreal ratio : {1.0, 2.0}) {
      for (const bool twoClips : {false, true}) {
        const auto draw = [&](bool fast) {
          QImage image = Textured(60, 30, ratio, format);
          QPainter painter(&image);
          if (twoClips) painter.setClipRegion(QRegion(0, 0, 20, 30) + QRegion(35, 5, 25, 20));
          PainterCanvas canvas(painter);
          if (fast) {
            canvas.Markers(centres, Rgb{200, 90, 0}, Rgb{255, 255, 0});
          } else {
            canvas.Canvas::Markers(centres, Rgb{200, 90, 0}, Rgb{255, 255, 0});
          }
          painter.end();
          return image;
        };
        EXPECT_EQ(draw(true), draw(false)) << format << " ratio " << ratio << " clip " << twoClips;
      }
    }
  }
}

TEST(PainterCanvas, TextShapedOnceDrawsTheSamePixelsAsTextShapedEachTime) {
  // Latin, digits, right-to-left with digits, and a text that only a fallback font has.
  const char* const texts[] = {"14:05 Berlin", "Scale: 39.14 km", "14:05 القاهرة", "09:30 東京",
                               "0.0"};
  for (const qreal ratio : {1.0, 2.0}) {
    const auto draw = [&](TextSizeCache* cache, TextSize* sizes) {
      QImage image = Textured(160, 60, ratio, QImage::Format_RGB32);
      QPainter painter(&image);
      PainterCanvas canvas(painter, cache);
      int y = 0;
      for (const char* text : texts) {
        canvas.Text(2, y, text, Rgb{0, 255, 0}, Rgb{0, 0, 0});
        canvas.HaloText(80, y, text, Rgb{0, 0, 250}, Rgb{255, 255, 255});
        *sizes++ = canvas.MeasureText(text);
        y += 12;
      }
      painter.end();
      return image;
    };
    TextSize plainSizes[5];
    TextSize cachedSizes[5];
    TextSizeCache cache;
    const QImage plain = draw(nullptr, plainSizes);
    EXPECT_EQ(draw(&cache, cachedSizes), plain) << ratio;
    EXPECT_EQ(draw(&cache, cachedSizes), plain) << ratio << ", from the cache";
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(cachedSizes[i].width, plainSizes[i].width) << texts[i];
      EXPECT_EQ(cachedSizes[i].height, plainSizes[i].height) << texts[i];
    }
  }
}

// The next paint may find other pixels under a label than the last (the map moved, the label
// drawn over itself, a halo over its own halo): what was remembered must not be copied then.
TEST(PainterCanvas, TextRememberedFromAnEarlierPaintGivesThePixelsOfDrawingItAgain) {
  const char* const texts[] = {"14:05 Berlin", "Scale: 39.14 km", "09:30 \xe6\x9d\xb1\xe4\xba\xac"};
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
    for (const qreal ratio : {1.0, 2.0}) {
      // Two paints on the same picture, the second over the first's pixels; the second
      // picture's texture shifted so that nothing under the texts is as before; a clip through
      // the middle of the texts.
      const auto paint = [&](TextSizeCache* cache, QImage& image, bool clip) {
        QPainter painter(&image);
        if (clip) painter.setClipRect(QRect(0, 0, 40, 60));
        PainterCanvas canvas(painter, cache);
        int y = 1;
        for (const char* text : texts) {
          canvas.Text(3, y, text, Rgb{0, 255, 0}, Rgb{0, 0, 0});
          canvas.HaloText(81, y, text, Rgb{0, 0, 250}, Rgb{255, 255, 255});
          y += 15;
        }
      };
      const auto run = [&](TextSizeCache* cache) {
        std::vector<QImage> shots;
        QImage first = Textured(170, 60, ratio, format);
        paint(cache, first, false);
        shots.push_back(first);
        paint(cache, first, false);
        shots.push_back(first);
        QImage other = Textured(171, 61, ratio, format);
        other = other.copy(1, 1, first.width(), first.height());
        other.setDevicePixelRatio(ratio);
        paint(cache, other, false);
        shots.push_back(other);
        QImage clipped = Textured(170, 60, ratio, format);
        paint(cache, clipped, true);
        shots.push_back(clipped);
        return shots;
      };
      TextSizeCache cache;
      const std::vector<QImage> plain = run(nullptr);
      for (int round = 0; round < 2; ++round) {
        const std::vector<QImage> remembered = run(&cache);
        for (std::size_t i = 0; i < plain.size(); ++i)
          EXPECT_EQ(remembered[i], plain[i]) << format << " ratio " << ratio << " shot " << i;
      }
    }
  }
}

}  // namespace
}  // namespace meridiana
