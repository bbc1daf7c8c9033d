// The peer of the start-up measurement: a bare Qt window that shows one 1024 x 512 picture and
// reports when it first painted it, as the program does with MERIDIANA_REPORT_FIRST_PAINT.
#include <time.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

class PictureWindow : public QWidget {
 public:
  explicit PictureWindow(QImage image) : image_(std::move(image)) { resize(1024, 512); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
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
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QImage image(argc > 1 ? argv[1] : "");
  if (image.isNull()) {
    image = QImage(1024, 512, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
  }
  PictureWindow window(image);
  window.show();
  return app.exec();
}
