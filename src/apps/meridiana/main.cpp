// meridiana: the desktop world clock. Arguments are ignored, but for the launcher's
// --action=wallpaper and --action=city-selector (shell/app/start_action.h) and --version.
#include <QApplication>
#include <QFontDatabase>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/file_key_value_store.h"
#include "shell/app.h"
#include "shell/app/data_paths.h"
#include "shell/app/qt_text.h"
#include "shell/app/start_action.h"

int main(int argc, char** argv) {
  // Answered before Qt starts: no display is needed and nothing opens.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("meridiana %s\n", MERIDIANA_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  QApplication application(argc, argv);
  // The font database (fontconfig reading its configuration and caches) is the largest single
  // cost before the first paint; it fills on a second core while the data files load and the
  // window is built, and the window's first text waits for it only if it is not done yet.
  std::thread fonts([] { QFontDatabase::families(); });

  meridiana::AppEnvironment environment;
  environment.userFolder = meridiana::ResolveUserFolder(meridiana::ProcessEnv);
  environment.dataFolder = meridiana::ResolveDataFolder(
      meridiana::ProcessEnv, meridiana::ToUtf8(QCoreApplication::applicationDirPath()));
  // The registry; installed defaults (link templates, product code) come from the data folder.
  meridiana::FileKeyValueStore store(meridiana::FileKeyValueStore::DefaultConfigFolder(),
                                     environment.dataFolder);
  environment.executablePath = meridiana::ToUtf8(QCoreApplication::applicationFilePath());
  environment.store = &store;
  environment.handleTerminationSignals = true;
  std::vector<std::string> arguments;
  for (const QString& argument : QCoreApplication::arguments().mid(1))
    arguments.push_back(meridiana::ToUtf8(argument));
  environment.startAction = meridiana::StartActionOfArguments(arguments);
  environment.embeddedService =
      meridiana::ToUtf8(QCoreApplication::applicationDirPath()) + "/meridiana-service";

  meridiana::App app(std::move(environment));
  const bool started = app.Start();
  fonts.join();
  if (!started) return 0;
  return app.Exec();
}
