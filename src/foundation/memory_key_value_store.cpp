#include "foundation/memory_key_value_store.h"

namespace meridiana {

const KeyValueTable& MemoryKeyValueStore::table(Hive hive) const {
  switch (hive) {
    case Hive::CurrentUser:
      return currentUser_;
    case Hive::LocalMachine:
      return localMachine_;
  }
  return currentUser_;
}

KeyValueTable& MemoryKeyValueStore::TableOf(Hive hive) {
  return const_cast<KeyValueTable&>(table(hive));
}

std::optional<std::string> MemoryKeyValueStore::Read(Hive hive, std::string_view keyPath,
                                                     std::string_view name) const {
  return table(hive).Get(keyPath, name);
}

bool MemoryKeyValueStore::Write(Hive hive, std::string_view keyPath, std::string_view name,
                                std::string_view value) {
  if (failWrites_) return false;
  TableOf(hive).Set(keyPath, name, value);
  return true;
}

bool MemoryKeyValueStore::Remove(Hive hive, std::string_view keyPath, std::string_view name) {
  return TableOf(hive).Remove(keyPath, name);
}

}  // namespace meridiana
