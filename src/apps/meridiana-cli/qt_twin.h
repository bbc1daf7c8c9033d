#pragma once
// The two builds of meridiana-cli. The program run for everything links no Qt, so a command that
// draws no text starts without loading Qt, its fonts and the fifty libraries beneath them; the
// view with its overlays and the desktop's wallpaper run in meridiana-cli-qt beside it, the
// same sources built with the window's code, to which the plain build hands such a command over.

#include "commands.h"

namespace meridiana::cli {

// Whether this build draws with the window's code itself.
bool HasQt();

// Runs `command` with `args` in meridiana-cli-qt (libexec/meridiana/ when installed, this
// program's folder in the build tree), replacing this
// process; returns only on failure (1, told on standard error). Built without the desktop
// program, it says so and returns 1.
int RunInQtTwin(const char* command, const Args& args);

}  // namespace meridiana::cli
