#include "shell/app/startup_report.h"

#include <time.h>

#include <QtGlobal>
#include <cstdio>

namespace meridiana {

bool StartupReportWanted() {
  static const bool wanted = !qEnvironmentVariableIsEmpty("MERIDIANA_REPORT_FIRST_PAINT");
  return wanted;
}

void ReportStartupMoment(const char* what) {
  if (!StartupReportWanted()) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::fprintf(stderr, "%s %lld\n", what, now.tv_sec * 1000000000LL + now.tv_nsec);
  std::fflush(stderr);
}

}  // namespace meridiana
