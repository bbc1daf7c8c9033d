// meridiana: the desktop world clock. Arguments are ignored.
#include <QApplication>
#include <QDir>

#include "foundation/memory_key_value_store.h"
#include "shell/app.h"
#include "shell/data_paths.h"
#include "shell/qt_text.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);

  meridiana::MemoryKeyValueStore store;

  meridiana::AppEnvironment environment;
  environment.userFolder = meridiana::ResolveUserFolder(meridiana::ProcessEnv);
  environment.dataFolder = meridiana::ResolveDataFolder(
      meridiana::ProcessEnv, meridiana::ToUtf8(QCoreApplication::applicationDirPath()));
  environment.executablePath = meridiana::ToUtf8(QCoreApplication::applicationFilePath());
  environment.store = &store;
  environment.handleTerminationSignals = true;

  meridiana::App app(std::move(environment));
  if (!app.Start()) return 0;
  return app.Exec();
}
