#pragma once
// Asking a desktop tool (xdg-settings, gsettings) for a value or to change one: the tool is run
// directly, with an argument vector and no shell.

#include <chrono>
#include <string>
#include <vector>

namespace meridiana {

// What a program printed on standard output (at most a few kilobytes) and how it ended. A
// program still running at the deadline is killed and reaped, and counts as not having run; one
// that has ended is not waited for further, even when a helper it left holds its output open.
struct ProgramRun {
  bool ran = false;  // it started and ended by itself
  int exitStatus = -1;
  std::string output;
  bool ok() const { return ran && exitStatus == 0; }
};
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      std::chrono::milliseconds deadline = std::chrono::seconds(5));

// The first line a program prints on standard output; "" when it cannot run or exits with an
// error.
std::string FirstLineOf(const std::string& program, const std::vector<std::string>& args);

}  // namespace meridiana
