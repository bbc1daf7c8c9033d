#pragma once
// The settings registry on disk: one INI-style file per hive in the user's configuration folder
// (current-user.ini, local-machine.ini), each rewritten whole on every change with mode 0600.
// Each hive also reads the installed defaults (the files of the same names in the data folder)
// under the user's own values; those files are never written.

#include <string>

#include "foundation/folder_lock.h"
#include "foundation/key_value_store.h"
#include "foundation/key_value_table.h"

namespace meridiana {

inline constexpr const char kCurrentUserFile[] = "current-user.ini";
inline constexpr const char kLocalMachineFile[] = "local-machine.ini";

class FileKeyValueStore : public KeyValueStore {
 public:
  // configFolder is created (mode 0700, with its parents) on the first write. defaultsFolder may
  // be empty when there are no installed defaults.
  explicit FileKeyValueStore(std::string configFolder, std::string defaultsFolder = {});

  // $XDG_CONFIG_HOME/quillary, or ~/.config/quillary when XDG_CONFIG_HOME is unset or relative;
  // ~ is $HOME, else the password database's home folder. Always absolute, so it stays the same
  // folder when the program changes its directory.
  static std::string DefaultConfigFolder();

  std::optional<std::string> Read(Hive hive, std::string_view keyPath,
                                  std::string_view name) const override;
  bool Write(Hive hive, std::string_view keyPath, std::string_view name,
             std::string_view value) override;
  // One reading and one writing of the hive's file for all the values.
  bool WriteAll(Hive hive, std::string_view keyPath, const Values& values) override;
  // Removes the user's own value; an installed default stays visible.
  bool Remove(Hive hive, std::string_view keyPath, std::string_view name) override;

  std::string PathOf(Hive hive) const;

 private:
  KeyValueTable& TableOf(Hive hive);
  const KeyValueTable& TableOf(Hive hive) const;
  // Re-reads the hive's file, so values written by another copy of the program are kept. False
  // when the file exists but cannot be read.
  bool Reload(Hive hive);
  bool Save(Hive hive, const KeyValueTable& table) const;
  // Held from reading a hive's file to writing it back.
  FolderLock LockFolder() const;

  std::string configFolder_;
  KeyValueTable currentUser_;
  KeyValueTable localMachine_;
  KeyValueTable localMachineDefaults_;
  KeyValueTable currentUserDefaults_;
};

}  // namespace meridiana
