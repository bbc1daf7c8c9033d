#pragma once
// A main window in the program's own languages: the built-in string table, the staged language
// files and view settings of its own, nothing else of the program. Language tests switch it.

#include "foundation/localized_strings.h"
#include "resources/embedded.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"

namespace meridiana::test {

struct LocalizedWindow {
  static MainWindow::Context ContextFor(Settings& settings, InterfaceLanguage& language) {
    MainWindow::Context context;
    context.settings = &settings;
    context.language = &language;
    return context;
  }

  Localizer localizer{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language{&localizer, {MERIDIANA_STAGE_DIR}};
  Settings settings;
  MainWindow window{ContextFor(settings, language)};
};

}  // namespace meridiana::test
