#include "cli_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace meridiana::cli {
namespace {

std::string ProgramFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string_view exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string_view::npos || slash == 0 ? std::string("/")
                                                       : std::string(exe.substr(0, slash));
}

}  // namespace

void StderrNotice::ShowMessage(std::string_view caption, std::string_view text) {
  std::fprintf(stderr, "meridiana-cli: %.*s: %.*s\n", static_cast<int>(caption.size()),
               caption.data(), static_cast<int>(text.size()), text.data());
}

std::string DefaultDataFolder() {
  const char* installed = std::getenv("MERIDIANA_DATA");
  return installed && *installed ? std::string(installed) : ProgramFolder();
}

}  // namespace meridiana::cli
