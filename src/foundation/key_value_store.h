#pragma once
// The settings registry: two hives of key paths holding named text values. The shell uses a
// file-backed store; tests use the in-memory one.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace meridiana {

enum class Hive { CurrentUser, LocalMachine };

// The program's own key: its settings, and the installation's link templates and codes.
inline constexpr std::string_view kAppKey = "Software\\QUILLARY\\Meridiana";
// Machine-wide values shared by the programs of the maker (language, proxy), local-machine hive.
inline constexpr char kCommonKey[] = "Software\\Quillary\\Common";

class KeyValueStore {
 public:
  virtual ~KeyValueStore() = default;
  // The named value under a key path ("Software\QUILLARY\Meridiana"), or nothing.
  virtual std::optional<std::string> Read(Hive hive, std::string_view keyPath,
                                          std::string_view name) const = 0;
  // Stores the value; false when it could not be written.
  virtual bool Write(Hive hive, std::string_view keyPath, std::string_view name,
                     std::string_view value) = 0;
  // Removes the value; false when there was none.
  virtual bool Remove(Hive hive, std::string_view keyPath, std::string_view name) = 0;

  using Values = std::vector<std::pair<std::string, std::string>>;
  // Stores named values under one key path; false when any could not be written. A store that
  // keeps a file writes it once for all of them, and then all or none are stored.
  virtual bool WriteAll(Hive hive, std::string_view keyPath, const Values& values) {
    bool ok = true;
    for (const auto& [name, value] : values) ok = Write(hive, keyPath, name, value) && ok;
    return ok;
  }
};

}  // namespace meridiana
