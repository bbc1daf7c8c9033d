#pragma once
// Start-up timing for bench/whole_program.py: with MERIDIANA_REPORT_FIRST_PAINT set, each
// start-up step and the first painted map are reported on standard error with the monotonic
// clock in nanoseconds ("step LoadCities 123…", "first-paint 456…").

namespace meridiana {

bool StartupReportWanted();
// Prints "<what> <nanoseconds>" when the report is wanted.
void ReportStartupMoment(const char* what);

}  // namespace meridiana
