#include "shell/app/data_paths.h"

#include <sys/stat.h>

#include <cstdlib>
#include <utility>

#include "foundation/file_util.h"
#include "foundation/install_layout.h"

namespace meridiana {

namespace {

bool IsFileOrFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string out = folder;
  if (out.back() != '/') out += '/';
  out += name;
  return out;
}

bool ClimbsOut(std::string_view name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::string> AbsoluteEnv(const EnvLookup& env, const char* name) {
  std::optional<std::string> value = env(name);
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::string> ProcessEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string ResolveUserFolder(const EnvLookup& env) {
  if (std::optional<std::string> home = env("MERIDIANA_HOME"); home && !home->empty()) {
    return *home;
  }
  if (std::optional<std::string> xdg = AbsoluteEnv(env, "XDG_DATA_HOME")) {
    return Join(*xdg, "meridiana");
  }
  if (std::optional<std::string> home = env("HOME"); home && !home->empty()) {
    return Join(*home, ".local/share/meridiana");
  }
  if (const std::string home = PasswordDatabaseHome(); !home.empty()) {
    return Join(home, ".local/share/meridiana");
  }
  return {};
}

std::string ResolveDataFolder(const EnvLookup& env, std::string_view executableDir) {
  if (std::optional<std::string> data = env("MERIDIANA_DATA"); data && !data->empty()) {
    return *data;
  }
  return DataFolderBeside(executableDir);
}

DataPaths::DataPaths(std::string userFolder, std::string dataFolder)
    : userFolder_(std::move(userFolder)), dataFolder_(std::move(dataFolder)) {}

std::string DataPaths::Find(std::string_view name) const {
  if (name.empty() || name.front() == '/' || ClimbsOut(name)) return std::string(name);
  for (const std::string* folder : {&userFolder_, &dataFolder_}) {
    if (folder->empty()) continue;
    std::string path = Join(*folder, name);
    if (IsFileOrFolder(path)) return path;
  }
  return std::string(name);
}

}  // namespace meridiana
