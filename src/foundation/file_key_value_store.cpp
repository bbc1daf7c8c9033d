#include "foundation/file_key_value_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "foundation/file_util.h"
#include "foundation/ini_text.h"

namespace meridiana {
namespace {

// The file's values; empty when there is no file, nothing when it exists but cannot be read
// (writing over it then would lose every value in it).
std::optional<KeyValueTable> Load(const std::string& path) {
  const std::optional<std::string> text = ReadWholeFile(path.c_str());
  if (text) return ParseIniText(*text);
  if (FileExists(path.c_str())) return std::nullopt;
  return KeyValueTable{};
}

// mkdir -p; the folders it creates are private to the user.
bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

FileKeyValueStore::FileKeyValueStore(std::string configFolder, std::string defaultsFolder)
    : configFolder_(std::move(configFolder)) {
  Reload(Hive::CurrentUser);
  Reload(Hive::LocalMachine);
  if (!defaultsFolder.empty()) {
    localMachineDefaults_ =
        Load(JoinPath(defaultsFolder, kLocalMachineFile)).value_or(KeyValueTable{});
    currentUserDefaults_ =
        Load(JoinPath(defaultsFolder, kCurrentUserFile)).value_or(KeyValueTable{});
  }
}

std::string FileKeyValueStore::DefaultConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return JoinPath(xdg, "quillary");
  // Absolute whatever happens: the program changes its directory after the store is made.
  std::string home = HomeFolder();
  if (home.empty() || home.front() != '/') home = JoinPath(CurrentFolder(), home);
  return JoinPath(home, ".config/quillary");
}

std::string FileKeyValueStore::PathOf(Hive hive) const {
  switch (hive) {
    case Hive::CurrentUser:
      return JoinPath(configFolder_, kCurrentUserFile);
    case Hive::LocalMachine:
      return JoinPath(configFolder_, kLocalMachineFile);
  }
  return {};
}

const KeyValueTable& FileKeyValueStore::TableOf(Hive hive) const {
  switch (hive) {
    case Hive::CurrentUser:
      return currentUser_;
    case Hive::LocalMachine:
      return localMachine_;
  }
  return currentUser_;
}

KeyValueTable& FileKeyValueStore::TableOf(Hive hive) {
  return const_cast<KeyValueTable&>(std::as_const(*this).TableOf(hive));
}

bool FileKeyValueStore::Reload(Hive hive) {
  std::optional<KeyValueTable> table = Load(PathOf(hive));
  if (!table) return false;
  TableOf(hive) = std::move(*table);
  return true;
}

// The window and meridiana-cli both read, change and write back these files: one at a time, or
// one would write the other's change away. A writer that hangs holding it fails the others' writes
// after a while instead of freezing them.
FolderLock FileKeyValueStore::LockFolder() const {
  if (!MakeFolders(configFolder_)) return FolderLock("", 0);
  return FolderLock(configFolder_, 5000);
}

bool FileKeyValueStore::Save(Hive hive, const KeyValueTable& table) const {
  if (!MakeFolders(configFolder_)) return false;
  const std::string text = FormatIniText(table);
  return WriteWholeFileWithMode(PathOf(hive).c_str(), text.data(), text.size(), 0600);
}

std::optional<std::string> FileKeyValueStore::Read(Hive hive, std::string_view keyPath,
                                                   std::string_view name) const {
  std::optional<std::string> value = TableOf(hive).Get(keyPath, name);
  if (!value) {
    value = (hive == Hive::LocalMachine ? localMachineDefaults_ : currentUserDefaults_)
                .Get(keyPath, name);
  }
  return value;
}

bool FileKeyValueStore::Write(Hive hive, std::string_view keyPath, std::string_view name,
                              std::string_view value) {
  return WriteAll(hive, keyPath, {{std::string(name), std::string(value)}});
}

bool FileKeyValueStore::WriteAll(Hive hive, std::string_view keyPath, const Values& values) {
  const FolderLock lock = LockFolder();
  if (!lock.locked() || !Reload(hive)) return false;
  KeyValueTable changed = TableOf(hive);
  for (const auto& [name, value] : values) changed.Set(keyPath, name, value);
  if (!Save(hive, changed)) return false;
  TableOf(hive) = std::move(changed);
  return true;
}

bool FileKeyValueStore::Remove(Hive hive, std::string_view keyPath, std::string_view name) {
  const FolderLock lock = LockFolder();
  if (!lock.locked() || !Reload(hive)) return false;
  KeyValueTable changed = TableOf(hive);
  if (!changed.Remove(keyPath, name)) return false;
  if (!Save(hive, changed)) return false;
  TableOf(hive) = std::move(changed);
  return true;
}

}  // namespace meridiana
