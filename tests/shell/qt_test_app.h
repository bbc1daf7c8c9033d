#pragma once
// One QApplication for the whole test program. Widgets need it and GoogleTest's main does not
// make one. It is made before the first test and destroyed after the last one, while main() is
// still running: destroying it among the static objects at exit crashes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>

namespace meridiana::test {

class QtAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[12] = "shell_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// GoogleTest owns registered environments.
inline ::testing::Environment* const kQtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// The application; call it in a fixture's SetUp so that the header's environment is linked in.
inline QApplication& QtApp() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

// Runs the event loop until done() or maxMs have passed; done()'s last answer.
inline bool PumpUntil(const std::function<bool()>& done, int maxMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < maxMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace meridiana::test
