#include "shell/app/qt_event_loop.h"

#include <gtest/gtest.h>

#include <QTest>

#include "qt_test_app.h"
#include "support/event_loop_contract.h"

namespace meridiana {
namespace {

TEST(QtEventLoop, KeepsTheEventLoopContract) {
  test::QtApp();
  QtEventLoop loop;
  test::CheckEventLoop(loop, [](const std::function<bool()>& done, int maxMs) {
    return QTest::qWaitFor(done, maxMs);
  });
}

}  // namespace
}  // namespace meridiana
