#pragma once
// One QApplication for the whole test program, made on first use. Widgets need it; GoogleTest's
// main does not make one.

#include <QApplication>

namespace meridiana::test {

inline QApplication& QtApp() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "shell_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace meridiana::test
