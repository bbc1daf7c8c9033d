#include "foundation/install_layout.h"

#include <sys/stat.h>
#include <unistd.h>

namespace meridiana {

namespace {

constexpr std::string_view kBin = "/bin";
constexpr std::string_view kLibexec = "/libexec/meridiana";

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string_view WithoutTrailingSlashes(std::string_view folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return folder;
}

// The installation prefix of a program in `folder` ("/usr" for /usr/bin and
// /usr/libexec/meridiana); nothing when the folder is neither.
bool InstallPrefix(std::string_view folder, std::string* prefix) {
  folder = WithoutTrailingSlashes(folder);
  for (const std::string_view tail : {kBin, kLibexec}) {
    if (folder.size() >= tail.size() && folder.substr(folder.size() - tail.size()) == tail) {
      *prefix = std::string(folder.substr(0, folder.size() - tail.size()));
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string_view exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? std::string("/") : std::string(exe.substr(0, slash));
}

std::string DataFolderBeside(std::string_view executableFolder) {
  std::string prefix;
  if (InstallPrefix(executableFolder, &prefix)) {
    std::string data = prefix + "/share/meridiana";
    if (IsFolder(data)) return data;
  }
  return std::string(WithoutTrailingSlashes(executableFolder));
}

std::string HelperProgramBeside(std::string_view executableFolder, std::string_view name) {
  std::string prefix;
  if (InstallPrefix(executableFolder, &prefix)) {
    std::string helper = prefix;
    helper += kLibexec;
    helper += '/';
    helper += name;
    if (IsFile(helper)) return helper;
  }
  std::string beside(WithoutTrailingSlashes(executableFolder));
  beside += '/';
  beside += name;
  return beside;
}

}  // namespace meridiana
