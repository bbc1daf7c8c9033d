#include "shell/app/app_identity.h"

#include <optional>

#include "foundation/key_value_store.h"

namespace meridiana {

std::string ProgramBaseName(std::string_view executablePath) {
  std::string_view name = executablePath;
  if (size_t slash = name.find_last_of('/'); slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  if (size_t underscore = name.rfind('_'); underscore != std::string_view::npos) {
    name = name.substr(0, underscore);
  }
  return std::string(name);
}

std::string ProductCode(const KeyValueStore& store) {
  constexpr size_t kMaxCodeLength = 9;
  std::optional<std::string> code = store.Read(Hive::LocalMachine, kAppKey, "code");
  if (code && code->size() <= kMaxCodeLength) return *code;
  return std::string(kDefaultProductCode);
}

}  // namespace meridiana
