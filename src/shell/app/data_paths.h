#pragma once
// Where the program's files live. Files it writes (settings, cache, wallpaper) go to the user
// folder, which is also the working directory. Read-only data (the .dat tables, images/, lang/)
// is looked up in the user folder first, so a user can override a shipped file, and then in the
// installed data folder.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

// Reads an environment variable; nothing when it is unset.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
std::optional<std::string> ProcessEnv(const char* name);

// MERIDIANA_HOME, else $XDG_DATA_HOME/meridiana, else $HOME/.local/share/meridiana, with the
// password database's home folder when HOME is unset. Empty or relative values of the XDG
// variables are ignored, as the base-directory rules require. Empty when no home folder is known.
std::string ResolveUserFolder(const EnvLookup& env);

// MERIDIANA_DATA, else the data folder that belongs to the executable: <prefix>/share/meridiana
// when installed, the staging folder that holds it in the build tree.
std::string ResolveDataFolder(const EnvLookup& env, std::string_view executableDir);

class DataPaths {
 public:
  DataPaths(std::string userFolder, std::string dataFolder);

  const std::string& userFolder() const { return userFolder_; }
  const std::string& dataFolder() const { return dataFolder_; }

  // The path of a read-only data file given by its relative name ("location.dat",
  // "images/earth_day.bmp"): in the user folder when it exists there, else in the data folder
  // when it exists there, else the relative name unchanged (so that an error names the file
  // the way the user knows it). Absolute names and names that climb out with ".." are returned
  // unchanged.
  std::string Find(std::string_view name) const;

 private:
  std::string userFolder_;
  std::string dataFolder_;
};

}  // namespace meridiana
