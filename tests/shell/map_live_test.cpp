// The live map in the main window, driven through the App as the program runs it: start-up
// loads and composes, the map area paints the view image, resizes fit, the mouse zooms and
// scrolls, the status bar reads out the place under the pointer, the timers keep the title and
// the shadow current, and minimising lets the pictures go.
//
// The images written here are synthetic: small patterns made by the tests so that every pixel
// of the day image has its own colour and any misplaced, flipped or byte-swapped pixel shows.
// The read-out test uses the real staged tables and pictures.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QAction>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foundation/memory_key_value_store.h"
#include "map/base_images.h"
#include "map/dib_ops.h"
#include "map/sun_shadow.h"
#include "qt_test_app.h"
#include "shell/app.h"
#include "shell/app/ids.h"
#include "shell/window/main_window.h"
#include "shell/window/map_area.h"
#include "shell/window/map_readout.h"
#include "shell/window/status_bar.h"
#include "support/recording_notice.h"
#include "support/same_pixels.h"
#include "support/temp_dir.h"
#include "world/locale_info.h"
#include "world/packed_data_file.h"

namespace meridiana {
namespace {

// Synthetic day image: blue and green from the low bits of x and y, red from their high bits,
// so that no two pixels of the 1024 x 512 map share a colour.
DibPtr SyntheticDay() {
  DibPtr dib = DibCreate(1024, 512, 24);
  for (int y = 0; y < 512; ++y) {
    uint8_t* row = dib->rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < 1024; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x % 256);
      row[x * 3 + 1] = static_cast<uint8_t>(y % 256);
      row[x * 3 + 2] = static_cast<uint8_t>(7 + 60 * (x / 256) + 20 * (y / 256));
    }
  }
  return dib;
}

// Synthetic flat image of one colour (blue, green, red).
DibPtr SyntheticFlat(uint8_t blue, uint8_t green, uint8_t red) {
  DibPtr dib = DibCreate(1024, 512, 24);
  for (int y = 0; y < 512; ++y) {
    uint8_t* row = dib->rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < 1024; ++x) {
      row[x * 3] = blue;
      row[x * 3 + 1] = green;
      row[x * 3 + 2] = red;
    }
  }
  return dib;
}

using test::SamePixels;

QColor PixelOf(const Dib* dib, int x, int y) {
  const uint8_t* p = dib->rows[static_cast<std::size_t>(y)] + x * 3;
  return QColor(p[2], p[1], p[0]);
}

class LiveMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    ASSERT_TRUE(root_.isValid());
    char cwd[PATH_MAX];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    savedCwd_ = cwd;
    QDir(root_.path()).mkpath("data/images");
    QDir(root_.path()).mkpath("user/images");
  }
  void TearDown() override {
    app_.reset();
    ASSERT_EQ(::chdir(savedCwd_.c_str()), 0);
  }

  std::string UserFolder() const { return root_.path().toStdString() + "/user"; }
  std::string DataFolder() const { return root_.path().toStdString() + "/data"; }

  // The user's own city table (rows of location.dat before packing) and config.ini; an
  // existing config.ini means a start that is not the first, so no installed marks.
  void WriteCities(const std::string& rows, const std::string& config) {
    QDir().mkpath(QString::fromStdString(UserFolder()));
    std::ofstream(UserFolder() + "/location.dat", std::ios::binary) << PackData(rows);
    std::ofstream(UserFolder() + "/config.ini") << config;
  }

  void WriteImage(const std::string& folder, const char* relative, const Dib* image) {
    ASSERT_TRUE(DibSaveBmp(image, (folder + "/" + relative).c_str())) << relative;
  }
  void WriteAllImages() {
    WriteImage(DataFolder(), kDayImagePath, day_.get());
    WriteImage(DataFolder(), kNightImagePath, night_.get());
    WriteImage(DataFolder(), kZoneImagePath, zones_.get());
  }

  // Starts the program and lets the posted start-up requests run.
  MainWindow& Start(std::string dataFolder = {}) {
    AppEnvironment env;
    env.instanceServerPath = root_.path() + "/Meridiana2";
    env.userFolder = UserFolder();
    env.dataFolder = dataFolder.empty() ? DataFolder() : dataFolder;
    env.executablePath = "/opt/meridiana/meridiana";
    env.store = &store_;
    env.notice = &notice_;
    env.clock = &clock_;
    env.locale = &locale_;
    app_ = std::make_unique<App>(std::move(env));
    // The tests of the base view keep Sharp Map off, as a user who turned it off does.
    if (!sharpByDefault_) app_->settings().sharp = 0;
    for (auto& [name, value] : presets_) value(app_->settings());
    EXPECT_TRUE(app_->Start());
    Settle();
    return *app_->mainWindow();
  }

  // Runs the program's event loop until the quit request that the window's destruction posted
  // ends it (as the program does), so that the request cannot end a later test's loop.
  int RunUntilQuit() {
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    return app_->Exec();
  }

  static void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  // Sizes the window so that the map area has the given width.
  static void SetMapWidth(MainWindow& window, int width) {
    window.resize(width, 420);
    Settle();
    ASSERT_EQ(window.mapArea()->width(), width);
  }

  // What is on the screen in the map area.
  static QImage Screen(MainWindow& window) {
    window.mapArea()->Redraw();
    return window.mapArea()->grab().toImage();
  }

  // The screen must show, at every sampled pixel, the composed map's pixel that the view's zoom
  // and scroll put there (black below the end of the map).
  static void ExpectScreenShowsComposed(MainWindow& window, const char* label) {
    const QImage screen = Screen(window);
    const Dib* composed = window.images().composed();
    ASSERT_NE(composed, nullptr) << label;
    const MapView& view = window.mapView();
    for (int j = 0; j < screen.height(); j += 23) {
      for (int i = 0; i < screen.width(); i += 37) {
        const int sx = static_cast<int>(static_cast<float>(i) / view.zoom) + view.scrollX;
        const int sy = static_cast<int>(static_cast<float>(j) / view.zoom) + view.scrollY;
        const QColor want = sy < 512 && sx < 1024 ? PixelOf(composed, sx, sy) : QColor(Qt::black);
        ASSERT_EQ(screen.pixelColor(i, j), want) << label << " at " << i << "," << j;
      }
    }
  }

  static void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                        Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  static void Drag(QWidget* widget, Qt::MouseButton button, QPoint from, QPoint to) {
    SendMouse(widget, QEvent::MouseButtonPress, from, button, button);
    SendMouse(widget, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
    SendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, button);
    SendMouse(widget, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
  }
  static void Wheel(QWidget* widget, int delta, QPoint at = QPoint(10, 10)) {
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
  }

  // A right click that does not zoom opens the map's context menu, which waits for the user:
  // this closes it a moment after it opens.
  static void CloseNextPopup() {
    QTimer::singleShot(50, [] {
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
  }

  void Preset(const char* name, std::function<void(Settings&)> apply) {
    presets_.emplace_back(name, std::move(apply));
  }

  QTemporaryDir root_;
  std::string savedCwd_;
  MemoryKeyValueStore store_;
  RecordingNotice notice_;
  FixedClock clock_{UtcFromCalendar(2026, 6, 21, 18, 30, 0)};
  FixedLocaleInfo locale_{"/"};
  std::vector<std::pair<std::string, std::function<void(Settings&)>>> presets_;
  bool sharpByDefault_ = false;
  std::unique_ptr<App> app_;
  DibPtr day_ = SyntheticDay();
  DibPtr night_ = SyntheticFlat(30, 10, 10);
  DibPtr zones_ = SyntheticFlat(128, 128, 128);
};

// ---- start-up ----

TEST_F(LiveMapTest, StartupLoadsImagesAndComposesTheShadowForTheClock) {
  WriteAllImages();
  Preset("shadow", [](Settings& s) { s.shadow = 1; });
  MainWindow& window = Start();

  // Nothing but the missing tables was reported.
  for (const RecordingNotice::Message& m : notice_.messages()) {
    EXPECT_EQ(m.text.find("images/"), std::string::npos) << m.text;
  }
  ASSERT_NE(window.images().day(), nullptr);
  ASSERT_NE(window.images().zones(), nullptr);
  DibPtr expected = DibCopy(day_.get());
  ApplySunShadow(expected.get(), night_.get(), clock_.Now());
  EXPECT_FALSE(SamePixels(expected.get(), day_.get()));  // the instant has a night side
  EXPECT_TRUE(SamePixels(window.images().composed(), expected.get()));

  // The first shadow was computed while the window was made: no calculating was shown, and
  // the loading text is gone.
  EXPECT_TRUE(notice_.statuses().empty());
  EXPECT_EQ(window.statusBar()->partText(0), "");
}

TEST_F(LiveMapTest, ImagesInTheUserFolderComeBeforeInstalledOnes) {
  WriteAllImages();
  DibPtr own = SyntheticFlat(1, 2, 3);
  WriteImage(UserFolder(), kDayImagePath, own.get());
  MainWindow& window = Start();
  EXPECT_TRUE(SamePixels(window.images().day(), own.get()));
  EXPECT_TRUE(SamePixels(window.images().zones(), zones_.get()));
  EXPECT_TRUE(SamePixels(window.images().composed(), own.get()));  // no shadow by default
}

TEST_F(LiveMapTest, MissingImagesAreReportedByNameAndTheMapStaysEmpty) {
  Preset("shadow", [](Settings& s) { s.shadow = 1; });
  MainWindow& window = Start();
  std::vector<std::string> imageErrors;
  for (const RecordingNotice::Message& m : notice_.messages()) {
    if (m.text.find("images/") != std::string::npos) {
      EXPECT_EQ(m.caption, "Error");
      imageErrors.push_back(m.text);
    }
  }
  const std::vector<std::string> expected = {"Unable to load file 'images/earth_day.bmp'",
                                             "Unable to load file 'images/earth_tz.bmp'",
                                             "Unable to load file 'images/earth_night.bmp'"};
  EXPECT_EQ(imageErrors, expected);
  EXPECT_EQ(window.images().composed(), nullptr);
  EXPECT_TRUE(window.isVisible());

  // The area paints black, the pointer read-out and the timers go on without pictures.
  const QImage screen = Screen(window);
  EXPECT_EQ(screen.pixelColor(5, 5), QColor(Qt::black));
  EXPECT_EQ(screen.pixelColor(screen.width() - 1, screen.height() - 1), QColor(Qt::black));
  window.ShowPointerReadOut(QPoint(3, 3));
  window.OnTimer(998);
  window.OnTimer(996);
  EXPECT_EQ(window.images().composed(), nullptr);
}

// ---- painting ----

TEST_F(LiveMapTest, PaintedMapShowsTheComposedPixelsAtEveryZoom) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 640);
  EXPECT_FLOAT_EQ(window.mapView().zoom, 0.625f);
  ExpectScreenShowsComposed(window, "fitted");

  window.OnCommand(40011);                              // Actual Pixels
  for (int i = 0; i < 5; ++i) window.OnCommand(40012);  // Zoom In
  EXPECT_NEAR(window.mapView().zoom, 1.5f, 1e-5);
  ExpectScreenShowsComposed(window, "zoom 1.5");

  // The view image of the paint is the one the core builds for this view.
  const QImage screen = Screen(window);
  const Dib* view = window.mapArea()->viewImage();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(DibWidth(view), screen.width());
  EXPECT_EQ(DibHeight(view), screen.height());
  EXPECT_EQ(screen.pixelColor(101, 77), PixelOf(view, 101, 77));
}

TEST_F(LiveMapTest, ViewCommandsRecomposeAndTheScreenFollows) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 512);
  const int builds = window.mapArea()->viewImageBuilds();
  Screen(window);
  EXPECT_EQ(window.mapArea()->viewImageBuilds(), builds);  // nothing changed: no rebuild

  window.OnCommand(40016);  // Sun Shadow on
  EXPECT_EQ(app_->settings().shadow, 1);
  DibPtr expected = DibCopy(day_.get());
  ApplySunShadow(expected.get(), night_.get(), clock_.Now());
  EXPECT_TRUE(SamePixels(window.images().composed(), expected.get()));
  ExpectScreenShowsComposed(window, "shadow on");

  window.OnCommand(40006);  // Night Map: shows the night image and switches the shadow off
  EXPECT_EQ(app_->settings().night, 1);
  EXPECT_EQ(app_->settings().shadow, 0);
  EXPECT_TRUE(SamePixels(window.images().composed(), night_.get()));
  EXPECT_EQ(Screen(window).pixelColor(200, 100), QColor(10, 10, 30));
}

// ---- resizing and the mouse ----

TEST_F(LiveMapTest, ResizeFitsUntilTheUserZoomsWithTheWheel) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 800);
  EXPECT_FLOAT_EQ(window.mapView().zoom, 800.0f / 1024);

  // A menu zoom leaves the map to be fitted again by the next resize.
  window.OnCommand(40012);
  EXPECT_NEAR(window.mapView().zoom, 800.0f / 1024 + 0.1f, 1e-5);
  SetMapWidth(window, 700);
  EXPECT_FLOAT_EQ(window.mapView().zoom, 700.0f / 1024);

  // A wheel zoom is the user's choice: resizes keep it.
  Wheel(window.mapArea(), -120);  // towards the user: zoom in by 0.1 below zoom 1
  const float chosen = window.mapView().zoom;
  EXPECT_NEAR(chosen, 700.0f / 1024 + 0.1f, 1e-5);
  SetMapWidth(window, 600);
  EXPECT_EQ(window.mapView().zoom, chosen);

  window.OnCommand(40028);  // Fit to Screen
  EXPECT_FLOAT_EQ(window.mapView().zoom, 600.0f / 1024);
  SetMapWidth(window, 900);
  EXPECT_FLOAT_EQ(window.mapView().zoom, 900.0f / 1024);
}

TEST_F(LiveMapTest, WheelZoomsAsTheViewSays) {
  WriteAllImages();
  MainWindow& window = Start();
  struct Row {
    int width;
    float zoom;
    int delta;
    float expected;
  };
  const Row rows[] = {
      {600, 1.0f, 120, 0.8f},             // away from the user: zoom out by 0.2 at zoom 1
      {600, 0.5f, -120, 0.6f},            // towards the user below zoom 1: 0.1
      {1000, 1.0f, 120, 1000.0f / 1024},  // the limiter keeps the map across the width
      {600, 0.3f, 240, 600.0f / 1024},    // never below 0.3, then the limiter
  };
  for (const Row& row : rows) {
    SetMapWidth(window, row.width);
    window.mapView().zoom = row.zoom;
    window.mapView().scrollX = window.mapView().scrollY = 0;
    Wheel(window.mapArea(), row.delta);
    EXPECT_NEAR(window.mapView().zoom, row.expected, 1e-5) << row.width << " " << row.zoom;
    EXPECT_TRUE(window.mapView().userZoom);
  }
}

TEST_F(LiveMapTest, WheelKeepsThePlaceUnderThePointerUnlessTheSettingSaysNot) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 600);
  window.OnCommand(40011);  // Actual Pixels: zoom 1, no scroll
  const QPoint at(400, 150);
  const MapPoint before = ViewToBase(window.mapView(), {at.x(), at.y()});
  Wheel(window.mapArea(), -240, at);  // two notches toward the user: zoom 1.4
  ASSERT_NEAR(window.mapView().zoom, 1.4f, 1e-5);
  const MapPoint after = ViewToBase(window.mapView(), {at.x(), at.y()});
  EXPECT_NEAR(after.x, before.x, 1);
  EXPECT_NEAR(after.y, before.y, 1);
  EXPECT_GT(window.mapView().scrollX, 100);

  app_->settings().zoomAnchor = 0;  // the wheel zooms about the corner, as it used to
  window.OnCommand(40011);
  Wheel(window.mapArea(), -240, at);
  EXPECT_EQ(window.mapView().scrollX, 0);
  EXPECT_EQ(window.mapView().scrollY, 0);
  window.OnCommand(40012);
  EXPECT_EQ(window.mapView().scrollX, 0);
}

TEST_F(LiveMapTest, LeftDragScrollsTheMapWithinItsEdges) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 600);
  window.OnCommand(40011);  // Actual Pixels
  MapArea* area = window.mapArea();

  Drag(area, Qt::LeftButton, QPoint(300, 200), QPoint(250, 150));
  EXPECT_EQ(window.mapView().scrollX, 50);
  EXPECT_EQ(window.mapView().scrollY, 50);
  EXPECT_EQ(window.mapView().dragX, 0);
  EXPECT_FALSE(window.mapView().dragging);
  ExpectScreenShowsComposed(window, "scrolled");
  EXPECT_EQ(Screen(window).pixelColor(0, 0), PixelOf(day_.get(), 50, 50));

  // Dragging further down than the top edge allows stops at the top.
  Drag(area, Qt::LeftButton, QPoint(300, 100), QPoint(300, 180));
  EXPECT_EQ(window.mapView().scrollY, 0);
  // Dragging far to the left stops where the map's right edge meets the area's.
  Drag(area, Qt::LeftButton, QPoint(500, 100), QPoint(0, 100));
  EXPECT_EQ(window.mapView().scrollX, 1024 - 600);
}

TEST_F(LiveMapTest, RightDragZoomsAndARightClickAsksForTheMenu) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 600);
  window.OnCommand(40011);
  MapArea* area = window.mapArea();
  QSignalSpy menu(area, &MapArea::contextMenuRequested);

  Drag(area, Qt::RightButton, QPoint(100, 100), QPoint(400, 100));
  EXPECT_NEAR(window.mapView().zoom, 2.5f, 1e-5);
  EXPECT_FLOAT_EQ(window.mapView().zoomDragBase, window.mapView().zoom);
  EXPECT_EQ(menu.count(), 0);
  ExpectScreenShowsComposed(window, "zoom-dragged");

  SendMouse(area, QEvent::MouseButtonPress, QPoint(120, 90), Qt::RightButton, Qt::RightButton);
  CloseNextPopup();
  SendMouse(area, QEvent::MouseButtonRelease, QPoint(123, 92), Qt::RightButton, Qt::NoButton);
  ASSERT_EQ(menu.count(), 1);
  EXPECT_EQ(menu.at(0).at(0).toPoint(), QPoint(123, 92));
  const QPoint client = area->mapTo(&window, QPoint(123, 92));
  EXPECT_EQ(window.mapView().lastRightClick, (MapPoint{client.x(), client.y()}));
  EXPECT_NEAR(window.mapView().zoom, 2.5f, 1e-5);
}

// ---- the status bar and the timers ----

TEST_F(LiveMapTest, StatusBarReadsOutThePlaceUnderThePointer) {
  const std::string stage = MERIDIANA_STAGE_DIR;
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(stage + "/location.dat")));
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(stage + "/images/earth_tz.bmp")));
  clock_.Set(UtcFromCalendar(2026, 7, 1, 12, 0, 0));
  MainWindow& window = Start(stage);
  SetMapWidth(window, 1024);  // zoom 1: area pixels are base-map pixels
  PartStatusBar* bar = window.statusBar();

  // Paris, in summer time: UTC + 1 from the zone picture, + 1 hour saving from the nearby city.
  SendMouse(window.mapArea(), QEvent::MouseMove, QPoint(518, 118), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(bar->partText(1), QString::fromUtf8("48.52\u00b0 N"));
  EXPECT_EQ(bar->partText(2), QString::fromUtf8("2.11\u00b0 E"));
  EXPECT_EQ(bar->partText(4), "07/01/26 14:00:00");

  // The clock timer reads the pointer and the clock again: in winter Paris is one hour ahead.
  QCursor::setPos(window.mapArea()->mapToGlobal(QPoint(518, 118)));
  clock_.Set(UtcFromCalendar(2026, 1, 15, 12, 0, 5));
  window.OnTimer(996);
  EXPECT_EQ(bar->partText(4), "01/15/26 13:00:05");

  // Over the south-west corner of the map: clamped position.
  SendMouse(window.mapArea(), QEvent::MouseMove, QPoint(0, 511), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(bar->partText(1), QString::fromUtf8("89.65\u00b0 S"));
  EXPECT_EQ(bar->partText(2), QString::fromUtf8("180.00\u00b0 W"));
  // The widest read-out fits its part.
  for (const int part : {1, 2}) {
    const QRect inside = bar->partRect(part).adjusted(4, 0, -4, 0);
    EXPECT_LE(bar->fontMetrics().horizontalAdvance(bar->partText(part)), inside.width()) << part;
  }

  // Under a modal dialog the read-out holds still, even when the pointer leaves the map.
  {
    QDialog modal(&window);
    modal.setModal(true);
    modal.show();
    ASSERT_NE(QApplication::activeModalWidget(), nullptr);
    SendMouse(window.mapArea(), QEvent::MouseMove, QPoint(518, 118), Qt::NoButton, Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(window.mapArea(), &leave);
    EXPECT_EQ(bar->partText(1), QString::fromUtf8("89.65\u00b0 S"));
    modal.hide();
  }
  // The pointer leaves the map: nothing is read out any more.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(window.mapArea(), &leave);
  EXPECT_EQ(bar->partText(1), "");
  EXPECT_EQ(bar->partText(2), "");
  EXPECT_EQ(bar->partText(4), "");
  // Messages meant for the read-out's narrow parts go to the message part.
  EXPECT_EQ(StatusMessagePart(1), 0);
  EXPECT_EQ(StatusMessagePart(2), 0);
  EXPECT_EQ(StatusMessagePart(3), 3);
  EXPECT_EQ(StatusMessagePart(0), 0);
}

TEST_F(LiveMapTest, TimersKeepTheTitleAndTheShadowCurrent) {
  WriteAllImages();
  Preset("shadow", [](Settings& s) {
    s.shadow = 1;
    s.refresh = 7;
  });
  MainWindow& window = Start();
  ASSERT_NE(window.timer(996), nullptr);
  ASSERT_NE(window.timer(998), nullptr);
  EXPECT_EQ(window.timer(996)->interval(), 1000);
  EXPECT_EQ(window.timer(998)->interval(), 7 * 60000);
  EXPECT_EQ(window.windowTitle(), "Quillary Meridiana - 18:30:00");  // TZ=UTC in the tests

  clock_.Advance(3 * 3600 + 7);
  window.OnTimer(996);
  EXPECT_EQ(window.windowTitle(), "Quillary Meridiana - 21:30:07");
  window.OnTimer(998);
  DibPtr expected = DibCopy(day_.get());
  ApplySunShadow(expected.get(), night_.get(), clock_.Now());
  EXPECT_TRUE(SamePixels(window.images().composed(), expected.get()));
  ExpectScreenShowsComposed(window, "refreshed");

  // With the shadow off the refresh timer leaves the map alone.
  window.OnCommand(40016);
  notice_.Clear();
  window.OnTimer(998);
  EXPECT_TRUE(notice_.statuses().empty());
  EXPECT_TRUE(SamePixels(window.images().composed(), day_.get()));

  // A right drag in progress holds the clock.
  SendMouse(window.mapArea(), QEvent::MouseButtonPress, QPoint(50, 50), Qt::RightButton,
            Qt::RightButton);
  clock_.Advance(60);
  window.OnTimer(996);
  EXPECT_EQ(window.windowTitle(), "Quillary Meridiana - 21:30:07");
  CloseNextPopup();
  SendMouse(window.mapArea(), QEvent::MouseButtonRelease, QPoint(50, 50), Qt::RightButton,
            Qt::NoButton);

  window.Destroy();
  EXPECT_EQ(window.timer(996), nullptr);
  EXPECT_EQ(window.timer(998), nullptr);
  EXPECT_EQ(RunUntilQuit(), 0);
}

// A stored period too long for the timer must not wrap round to a negative or tiny interval.
TEST_F(LiveMapTest, HugeRefreshPeriodIsCappedAndNegativeOneRunsNoTimer) {
  for (auto [refresh, interval] : {std::pair{1000000, 35791 * 60000}, std::pair{-5, 0}}) {
    Preset("refresh", [refresh = refresh](Settings& s) { s.refresh = refresh; });
    MainWindow& window = Start();
    const QTimer* timer = window.timer(998);
    EXPECT_EQ(timer != nullptr ? timer->interval() : 0, interval) << refresh;
    app_.reset();
    presets_.clear();
  }
}

TEST_F(LiveMapTest, MinimisingReleasesThePicturesAndRestoringFitsAgain) {
  WriteAllImages();
  Preset("shadow", [](Settings& s) { s.shadow = 1; });
  MainWindow& window = Start();
  SetMapWidth(window, 700);
  Wheel(window.mapArea(), -120);  // the user's zoom
  Screen(window);
  ASSERT_NE(window.mapArea()->viewImage(), nullptr);

  window.showMinimized();
  Settle();
  ASSERT_TRUE(window.isMinimized());
  EXPECT_EQ(window.images().day(), nullptr);
  EXPECT_EQ(window.images().zones(), nullptr);
  EXPECT_EQ(window.images().night(), nullptr);
  EXPECT_EQ(window.mapArea()->viewImage(), nullptr);
  ASSERT_NE(window.images().composed(), nullptr);  // the composed map stays
  EXPECT_EQ(window.windowTitle(), "18:30");

  // Nothing is composed while minimised.
  DibPtr before = DibCopy(window.images().composed());
  clock_.Advance(6 * 3600);
  window.OnTimer(998);
  EXPECT_TRUE(SamePixels(window.images().composed(), before.get()));

  window.showNormal();
  Settle();
  EXPECT_NE(window.images().day(), nullptr);
  EXPECT_NE(window.images().zones(), nullptr);
  EXPECT_FLOAT_EQ(window.mapView().zoom, 700.0f / 1024);  // fitted, the user's zoom or not
  EXPECT_EQ(window.windowTitle(), "Quillary Meridiana - 00:30:00");
  ExpectScreenShowsComposed(window, "restored");
}

// In wallpaper mode closing the window only puts it away (the tray, or minimised without one);
// brought back, it shows the map again, not a black area.
TEST_F(LiveMapTest, WallpaperModeWindowPutAwayAndRestoredShowsTheMapAgain) {
  WriteAllImages();
  ScopedEnv desktop("XDG_CURRENT_DESKTOP", "none-of-ours");  // no real desktop is touched
  Preset("wallpaper", [](Settings& s) { s.wallpaper = 1; });
  Preset("shadow", [](Settings& s) { s.shadow = 1; });
  MainWindow& window = Start();
  SetMapWidth(window, 640);
  ExpectScreenShowsComposed(window, "before");

  window.close();
  Settle();
  ASSERT_TRUE(!window.isVisible() || window.isMinimized());
  window.OnCommand(ids::kCmdTrayRestore);
  Settle();
  ASSERT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  ExpectScreenShowsComposed(window, "restored");
  DibPtr expected = DibCopy(day_.get());
  ApplySunShadow(expected.get(), night_.get(), clock_.Now());
  EXPECT_TRUE(SamePixels(window.images().composed(), expected.get()));
}

TEST_F(LiveMapTest, QuitStoresTheViewInTheSettings) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 600);
  window.OnCommand(40011);
  Drag(window.mapArea(), Qt::LeftButton, QPoint(300, 200), QPoint(260, 170));
  const int middle = window.mapArea()->height() / 2;
  window.OnCommand(40012);
  window.OnCommand(414);
  EXPECT_NEAR(app_->settings().zoom, 1.1f, 1e-5);
  // Dragged to (40, 30), then Zoom In about the area's centre: 340 - 300 / 1.1 across.
  EXPECT_EQ(app_->settings().cx, 67);
  EXPECT_EQ(app_->settings().cy, std::lround(30 + middle - middle / 1.1));
  EXPECT_EQ(RunUntilQuit(), 0);
}

}  // namespace
}  // namespace meridiana

namespace meridiana {
namespace {

// ---- overlays ----

TEST_F(LiveMapTest, OverlaysOnScreenAndTheClockOnlyPaintCopiesNoMap) {
  WriteAllImages();
  WriteCities("Berlin\t52.52\t13.40\tBerlin\r\n", "M=Berlin,13\n");
  Preset("layers", [](Settings& s) {
    s.marked = 1;
    s.grid = 1;
  });
  MainWindow& window = Start();
  SetMapWidth(window, 1024);
  ASSERT_TRUE(app_->world().cities[0].marked);
  const QImage screen = Screen(window);
  // Berlin's marker: base pixel (550, 106) at zoom 1; the square's inside is green.
  EXPECT_EQ(screen.pixelColor(550, 106), QColor(0, 255, 0));
  // The prime meridian is red, another meridian dark green.
  EXPECT_EQ(screen.pixelColor(512, 300), QColor(200, 0, 0));
  EXPECT_EQ(screen.pixelColor(540, 300), QColor(0, 140, 0));

  const int copies = window.mapArea()->mapCopies();
  // A tick paints the labels only when one of them changed: not in the same minute, once in the
  // next, and then the map is not copied again.
  int paints = 0;
  struct CountPaints : QObject {
    int* count;
    explicit CountPaints(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  window.mapArea()->installEventFilter(&counter);
  clock_.Advance(10);
  window.OnTimer(996);
  EXPECT_EQ(paints, 0);
  clock_.Advance(60);
  window.OnTimer(996);
  EXPECT_EQ(paints, 1);
  window.OnTimer(996);
  EXPECT_EQ(paints, 1);
  window.mapArea()->removeEventFilter(&counter);
  EXPECT_EQ(window.mapArea()->mapCopies(), copies);
  window.mapArea()->Redraw();
  EXPECT_EQ(window.mapArea()->mapCopies(), copies + 1);

  // The layer commands flip their switches.
  window.OnCommand(40018);
  EXPECT_EQ(app_->settings().grid, 0);
  window.OnCommand(40017);
  EXPECT_EQ(app_->settings().track, 40);
  window.OnCommand(40017);
  EXPECT_EQ(app_->settings().track, 0);
  window.OnCommand(414);
  EXPECT_EQ(RunUntilQuit(), 0);
}

// Records the region of every paint of a widget.
class PaintRegions : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      regions.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
  std::vector<QRegion> regions;
};

TEST_F(LiveMapTest, CityNamesRepaintsOnlyAroundThePointerAndTheLastHighlight) {
  WriteAllImages();
  // Berlin at base pixel (550, 106), Lima far away.
  WriteCities("Berlin\t52.52\t13.40\tBerlin\r\nLima\t-12.05\t-77.04\tLima\r\n", "");
  Preset("layers", [](Settings& s) { s.track = 40; });
  MainWindow& window = Start();
  SetMapWidth(window, 1024);
  MapArea* area = window.mapArea();
  PaintRegions paints;
  area->installEventFilter(&paints);
  SendMouse(area, QEvent::MouseMove, QPoint(551, 107), Qt::NoButton, Qt::NoButton);
  ASSERT_FALSE(paints.regions.empty());
  const QRect painted = paints.regions.back().boundingRect();
  EXPECT_TRUE(painted.contains(QPoint(551, 107)));
  EXPECT_LT(painted.width() * painted.height(), area->width() * area->height() / 8);
  EXPECT_EQ(area->hover().city, 0);
  const QImage near = area->grab().toImage();
  EXPECT_EQ(near.pixelColor(550, 106), QColor(Qt::white));  // the highlight's inside

  // Far from Berlin its highlight is erased by the move's own repaint.
  paints.regions.clear();
  SendMouse(area, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton, Qt::NoButton);
  ASSERT_FALSE(paints.regions.empty());
  EXPECT_TRUE(paints.regions.back().contains(QPoint(550, 106)));
  EXPECT_FALSE(paints.regions.back().contains(QPoint(800, 400)));
  EXPECT_EQ(area->hover().city, -1);
  area->removeEventFilter(&paints);
  EXPECT_NE(area->grab().toImage().pixelColor(550, 106), QColor(Qt::white));
  window.OnCommand(414);
  EXPECT_EQ(RunUntilQuit(), 0);
}

TEST_F(LiveMapTest, ContextMenuListsTheTenNearestCitiesAndADoubleClickMarks) {
  WriteAllImages();
  std::string cities;
  // Twelve cities along the equator, 10 degrees apart from 0 east: nearest to the west end first.
  for (int i = 0; i < 12; ++i)
    cities += "x\t0\t" + std::to_string(i * 10) + "\tCity" + std::to_string(i) + " (Region)\r\n";
  WriteCities(cities, "");
  MainWindow& window = Start();
  SetMapWidth(window, 1024);
  QStringList listed;
  bool shadowEnabled = false;
  QTimer::singleShot(50, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions()) {
      const int id = action->data().toInt();
      if (id == 18999 || (id >= 19000 && id < 19100)) listed << action->text();
      if (id == 40014) listed << "placeholder";
    }
    for (QMenu* sub : menu->findChildren<QMenu*>())
      for (QAction* action : sub->actions())
        if (action->data().toInt() == 40016) shadowEnabled = action->isEnabled();
    menu->close();
  });
  // A right click at the first city (512, 256) without moving.
  SendMouse(window.mapArea(), QEvent::MouseButtonPress, QPoint(512, 256), Qt::RightButton,
            Qt::RightButton);
  SendMouse(window.mapArea(), QEvent::MouseButtonRelease, QPoint(512, 256), Qt::RightButton,
            Qt::NoButton);
  ASSERT_EQ(listed.size(), 10) << listed.join(",").toStdString();
  EXPECT_EQ(listed[0], "City0 ");  // cut at its last "("
  EXPECT_EQ(listed[9], "City9 ");
  EXPECT_TRUE(shadowEnabled);

  // A double click marks the nearest city and turns the marked layer on; a second unmarks it.
  QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(541, 256),
                    QPointF(window.mapArea()->mapToGlobal(QPoint(541, 256))), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.mapArea(), &twice);
  EXPECT_TRUE(app_->world().cities[1].marked);
  EXPECT_EQ(app_->settings().marked, 1);
  QApplication::sendEvent(window.mapArea(), &twice);
  EXPECT_FALSE(app_->world().cities[1].marked);
  window.OnCommand(414);
  EXPECT_EQ(RunUntilQuit(), 0);
}

}  // namespace
}  // namespace meridiana

namespace meridiana {
namespace {

// Whether every view column 2k repeats column 2k + 1 on the sampled rows (a zoom of 2 by
// repeating pixels).
bool PixelsRepeated(const Dib* view) {
  for (int y = 0; y < DibHeight(view); y += 7)
    for (int x = 0; x + 1 < std::min(256, DibWidth(view)); x += 2)
      if (std::memcmp(DibPixelAddress(view, x, y), DibPixelAddress(view, x + 1, y), 3) != 0)
        return false;
  return true;
}

// With no kept setting, Sharp Map is on, and the sharp view is drawn wherever the area needs
// more pixels than the base map has: here a fitted window wider than 1,024 pixels, not one
// narrower. Turned off, it stays off.
TEST_F(LiveMapTest, SharpMapIsOnAtFirstWhereTheAreaNeedsIt) {
  WriteAllImages();
  sharpByDefault_ = true;
  MainWindow& window = Start();
  const auto checked = [&window] {
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
      if (action->data().toInt() == ids::kCmdSharpMap) return action->isChecked();
    ADD_FAILURE() << "no Sharp Map item";
    return false;
  };
  EXPECT_TRUE(checked());
  SetMapWidth(window, 800);
  Screen(window);
  EXPECT_EQ(DibWidth(window.mapArea()->viewImage()), 800);
  const DibPtr plain = BuildViewImage(window.images().composed(), window.mapView(), 800,
                                      DibHeight(window.mapArea()->viewImage()));
  EXPECT_EQ(std::memcmp(window.mapArea()->viewImage()->pixels.data(), plain->pixels.data(),
                        plain->pixels.size()),
            0);  // the base map is enough: the plain view, byte for byte

  SetMapWidth(window, 1300);
  EXPECT_GT(window.mapView().zoom, 1.0f);  // fitted
  Screen(window);
  const Dib* sharp = window.mapArea()->viewImage();
  ASSERT_NE(sharp, nullptr);
  const int height = DibHeight(sharp);
  const DibPtr repeated =
      BuildViewImage(window.images().composed(), window.mapView(), 1300, height);
  EXPECT_NE(std::memcmp(sharp->pixels.data(), repeated->pixels.data(), repeated->pixels.size()),
            0);  // composed again at the screen's resolution
  // A refresh meanwhile composes the sharp view only; the base map waits until it shows again.
  ASSERT_TRUE(window.compositor().Compose(window.compositor().composedAt() + 600));
  EXPECT_TRUE(window.compositor().baseStale());

  EXPECT_TRUE(window.OnCommand(ids::kCmdSharpMap));
  EXPECT_FALSE(checked());
  EXPECT_EQ(app_->settings().sharp, 0);
  EXPECT_TRUE(app_->settings().sharpStored);  // so that it is written
  Screen(window);
  EXPECT_FALSE(window.compositor().baseStale());
  const DibPtr current =
      BuildViewImage(window.images().composed(), window.mapView(), 1300, height);
  EXPECT_EQ(std::memcmp(window.mapArea()->viewImage()->pixels.data(), current->pixels.data(),
                        current->pixels.size()),
            0);
}

TEST_F(LiveMapTest, SharpSettingDrawsAZoomedViewAtDeviceResolution) {
  WriteAllImages();
  MainWindow& window = Start();
  SetMapWidth(window, 512);
  // Zoom 2 exactly, from base-map column 200: the day's red steps up at column 256, where a
  // filtered view blends the two sides.
  window.mapView().zoom = 2.0f;
  window.mapView().scrollX = 200;
  window.mapView().userZoom = true;
  Screen(window);
  EXPECT_TRUE(PixelsRepeated(window.mapArea()->viewImage()));  // off: as before

  app_->settings().sharp = 1;
  const QImage screen = Screen(window);
  const Dib* view = window.mapArea()->viewImage();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(DibWidth(view), screen.width());  // a device pixel ratio of 1 offscreen
  EXPECT_FALSE(PixelsRepeated(view));         // filtered between base-map pixels
  EXPECT_EQ(screen.pixelColor(101, 77), PixelOf(view, 101, 77));

  // Back to zoom 1 the view needs no more pixels than the base map: the plain view again.
  window.OnCommand(40011);
  Screen(window);
  const Dib* plain = window.mapArea()->viewImage();
  ASSERT_NE(plain, nullptr);
  const DibPtr expected = BuildViewImage(window.images().composed(), window.mapView(),
                                         DibWidth(plain), DibHeight(plain));
  EXPECT_EQ(std::memcmp(plain->pixels.data(), expected->pixels.data(), plain->pixels.size()), 0);
}

}  // namespace
}  // namespace meridiana
