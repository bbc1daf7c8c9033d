#pragma once
// The values of one hive: key paths holding named text values. Key paths and names compare
// without regard to ASCII letter case, as registry keys do; each keeps the spelling it was first
// written with.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

class KeyValueTable {
 public:
  using Values = std::map<std::string, std::string, NoCaseLess>;
  using Keys = std::map<std::string, Values, NoCaseLess>;

  std::optional<std::string> Get(std::string_view keyPath, std::string_view name) const;
  void Set(std::string_view keyPath, std::string_view name, std::string_view value);
  // False when there was no such value. A key left without values disappears.
  bool Remove(std::string_view keyPath, std::string_view name);
  const Keys& keys() const { return keys_; }
  bool empty() const { return keys_.empty(); }

 private:
  Keys keys_;
};

}  // namespace meridiana
