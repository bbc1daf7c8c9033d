#include "foundation/key_value_table.h"

#include <algorithm>

#include "foundation/text_util.h"

namespace meridiana {

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(AsciiUpper(x)) < static_cast<unsigned char>(AsciiUpper(y));
  });
}

std::optional<std::string> KeyValueTable::Get(std::string_view keyPath,
                                              std::string_view name) const {
  const auto key = keys_.find(keyPath);
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.find(name);
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

void KeyValueTable::Set(std::string_view keyPath, std::string_view name, std::string_view value) {
  auto key = keys_.find(keyPath);
  if (key == keys_.end()) key = keys_.emplace(std::string(keyPath), Values{}).first;
  auto entry = key->second.find(name);
  if (entry == key->second.end()) {
    key->second.emplace(std::string(name), std::string(value));
  } else {
    entry->second.assign(value);
  }
}

bool KeyValueTable::Remove(std::string_view keyPath, std::string_view name) {
  const auto key = keys_.find(keyPath);
  if (key == keys_.end()) return false;
  const auto value = key->second.find(name);
  if (value == key->second.end()) return false;
  key->second.erase(value);
  if (key->second.empty()) keys_.erase(key);
  return true;
}

}  // namespace meridiana
