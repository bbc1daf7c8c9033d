#pragma once
// A KeyValueStore that keeps both hives in memory: for tests, and for tools that must not touch
// the user's settings.

#include "foundation/key_value_store.h"
#include "foundation/key_value_table.h"

namespace meridiana {

class MemoryKeyValueStore : public KeyValueStore {
 public:
  std::optional<std::string> Read(Hive hive, std::string_view keyPath,
                                  std::string_view name) const override;
  bool Write(Hive hive, std::string_view keyPath, std::string_view name,
             std::string_view value) override;
  bool Remove(Hive hive, std::string_view keyPath, std::string_view name) override;

  // Makes every following Write fail, to exercise callers' error paths.
  void SetFailWrites(bool fail) { failWrites_ = fail; }
  const KeyValueTable& table(Hive hive) const;

 private:
  KeyValueTable& TableOf(Hive hive);
  KeyValueTable currentUser_;
  KeyValueTable localMachine_;
  bool failWrites_ = false;
};

}  // namespace meridiana
