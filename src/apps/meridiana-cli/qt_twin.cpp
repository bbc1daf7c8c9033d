#include "qt_twin.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli_support.h"
#include "foundation/install_layout.h"

namespace meridiana::cli {

bool HasQt() {
#ifdef MERIDIANA_CLI_OVERLAYS
  return true;
#else
  return false;
#endif
}

int RunInQtTwin(const char* command, const Args& args) {
#if defined(MERIDIANA_CLI_QT_TWIN) && !defined(MERIDIANA_CLI_OVERLAYS)
  const std::string twin = HelperProgramBeside(ProgramFolder(), MERIDIANA_CLI_QT_TWIN);
  std::vector<char*> argv;
  argv.reserve(args.size() + 3);
  argv.push_back(const_cast<char*>(twin.c_str()));
  argv.push_back(const_cast<char*>(command));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  ::execv(twin.c_str(), argv.data());
  std::fprintf(stderr, "meridiana-cli %s: cannot run '%s': %s\n", command, twin.c_str(),
               std::strerror(errno));
  return 1;
#else
  (void)args;
  std::fprintf(stderr,
               "meridiana-cli %s: this meridiana-cli was built without Qt "
               "(MERIDIANA_BUILD_GUI=OFF)\n",
               command);
  return 1;
#endif
}

}  // namespace meridiana::cli
