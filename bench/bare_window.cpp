// The peer of the start-up measurement: a bare Qt window that shows one 1024 x 512 picture and
// reports when it first painted it, as the program does with MERIDIANA_REPORT_FIRST_PAINT.
// With --text it also draws one line of text over the picture: the least any window with a
// menu, a title or a status line pays, the font database.
//
//   bare_window [--text] [PICTURE]
#include <time.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

class PictureWindow : public QWidget {
 public:
  PictureWindow(QImage image, bool text) : image_(std::move(image)), text_(text) {
    resize(1024, 512);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    if (text_) painter.drawText(8, 20, QStringLiteral("12:00 London"));
    if (!reported_) {
      reported_ = true;
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::fprintf(stderr, "first-paint %lld\n", now.tv_sec * 1000000000LL + now.tv_nsec);
      std::fflush(stderr);
    }
  }

 private:
  QImage image_;
  bool text_;
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool text = argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--text");
  const int picture = text ? 2 : 1;
  QImage image(argc > picture ? argv[picture] : "");
  if (image.isNull()) {
    image = QImage(1024, 512, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
  }
  PictureWindow window(image, text);
  window.show();
  return app.exec();
}
