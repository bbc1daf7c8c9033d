#pragma once
// The one Qt application object a benchmark program needs before its first pixmap, font or
// widget, made on first use and kept for the program's life.

#include <string>

namespace meridiana::bench {

template <typename Application>
Application& QtApplication(const char* programName) {
  static std::string name = programName;
  static int argc = 1;
  static char* argv[] = {name.data(), nullptr};
  static Application application(argc, argv);
  return application;
}

}  // namespace meridiana::bench
