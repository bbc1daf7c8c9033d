#include "online/browsers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "foundation/file_util.h"
#include "online/program_output.h"

namespace meridiana {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    if (end > start) parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string HostBrowserSystem::DefaultDesktopEntry() const {
  const std::string tool = FindExecutable("xdg-settings");
  if (tool.empty()) return {};
  return FirstLineOf(tool, {"get", "default-web-browser"});
}

std::optional<std::string> HostBrowserSystem::DesktopFile(std::string_view entryName) const {
  if (entryName.empty() || entryName.find('/') != std::string_view::npos) return std::nullopt;
  std::vector<std::string> folders;
  const std::optional<std::string> home = Environment("XDG_DATA_HOME");
  const std::optional<std::string> user = Environment("HOME");
  if (home && !home->empty()) {
    folders.push_back(*home);
  } else if (user && !user->empty()) {
    folders.push_back(*user + "/.local/share");
  }
  const std::optional<std::string> dirs = Environment("XDG_DATA_DIRS");
  for (const std::string& dir :
       Split(dirs && !dirs->empty() ? *dirs : "/usr/local/share:/usr/share", ':'))
    folders.push_back(dir);
  for (const std::string& folder : folders) {
    const std::string path = folder + "/applications/" + std::string(entryName);
    if (std::optional<std::string> text = ReadWholeFile(path.c_str())) return text;
  }
  return std::nullopt;
}

std::string HostBrowserSystem::FindExecutable(std::string_view name) const {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    const std::string path(name);
    return IsExecutableFile(path) ? path : std::string();
  }
  const std::optional<std::string> path = Environment("PATH");
  for (const std::string& dir : Split(path ? *path : "/usr/local/bin:/usr/bin:/bin", ':')) {
    const std::string candidate = dir + "/" + std::string(name);
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

std::optional<std::string> HostBrowserSystem::Environment(const char* name) const {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string DesktopEntryExec(std::string_view desktopFile) {
  bool inEntry = false;
  for (std::string line : Split(desktopFile, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (inEntry && line.rfind("Exec=", 0) == 0) return line.substr(5);
  }
  return {};
}

std::vector<std::string> ExecArguments(std::string_view exec, std::string_view url) {
  std::vector<std::string> args;
  std::string current;
  bool kept = false;  // the argument holds text, quotes or the URL, not only dropped codes
  bool quoted = false;
  bool urlPlaced = false;
  const auto finish = [&] {
    if (kept) args.push_back(std::move(current));
    current.clear();
    kept = false;
  };
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size()) {
        current += exec[++i];
      } else {
        current += c;
      }
    } else if (c == ' ' || c == '\t') {
      finish();
    } else if (c == '"') {
      quoted = true;
      kept = true;
    } else if (c == '%' && i + 1 < exec.size()) {
      const char code = exec[++i];
      if (code == '%') {
        current += '%';
        kept = true;
      } else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
        current += url;
        kept = true;
        urlPlaced = true;
      }
    } else {
      current += c;
      kept = true;
    }
  }
  if (quoted) return {};
  finish();
  if (args.empty()) return {};
  if (!urlPlaced) args.emplace_back(url);
  return args;
}

std::vector<std::string> BrowserCommand(const Browser& browser, std::string_view url) {
  std::vector<std::string> args;
  if (!browser.exec.empty()) args = ExecArguments(browser.exec, url);
  if (args.empty()) return {browser.executable, std::string(url)};
  args.front() = browser.executable;
  return args;
}

BrowserList FindBrowsers(const BrowserSystem& system) {
  BrowserList list;
  for (const char* name : kUsualBrowsers) {
    const std::string path = system.FindExecutable(name);
    if (!path.empty()) list.installed.push_back(path);
  }
  // What the desktop names: the executable of its .desktop file's Exec line.
  const std::string entry = system.DefaultDesktopEntry();
  if (const std::optional<std::string> file = system.DesktopFile(entry)) {
    const std::string exec = DesktopEntryExec(*file);
    const std::vector<std::string> args = ExecArguments(exec, "-");
    const std::string path = args.empty() ? std::string() : system.FindExecutable(args.front());
    if (!path.empty()) {
      list.defaultBrowser = Browser{path, exec};
      return list;
    }
  }
  if (const std::optional<std::string> variable = system.Environment("BROWSER")) {
    for (const std::string& candidate : Split(*variable, ':')) {
      const std::string path = system.FindExecutable(candidate);
      if (path.empty()) continue;
      list.defaultBrowser = Browser{path, {}};
      return list;
    }
  }
  if (!list.installed.empty()) list.defaultBrowser = Browser{list.installed.front(), {}};
  return list;
}

}  // namespace meridiana
