#include "online/service_address.h"

#include "world/table_text.h"

namespace meridiana {

std::string ServiceAddress(const KeyValueStore* store) {
  std::string address = kDefaultServiceAddress;
  if (store != nullptr) {
    if (auto stored = store->Read(Hive::LocalMachine, kAppKey, "service");
        stored && !stored->empty())
      address = *stored;
  }
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}

bool IsServiceAddress(std::string_view text) {
  std::string_view rest;
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (text.size() > scheme.size() && EqualsIgnoreCase(text.substr(0, scheme.size()), scheme))
      rest = text.substr(scheme.size());
  }
  if (rest.empty()) return false;
  const std::string_view authority = rest.substr(0, rest.find('/'));
  const std::size_t colon = authority.find(':');
  const std::string_view host = authority.substr(0, colon);
  if (host.empty()) return false;
  for (const char c : host)
    if (c == ' ' || c == '\t' || c == '?' || c == '#' || c == '@') return false;
  if (colon == std::string_view::npos) return true;
  const std::string_view digits = authority.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return false;
  long port = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    port = port * 10 + (c - '0');
  }
  return port >= 1 && port <= 65535;
}

std::optional<std::string> ServiceUrl(std::string_view address, std::string_view pathAndQuery,
                                      const WorldData& world, TimeValue now,
                                      const LinkContext& context) {
  return ExpandTemplate(std::string(address) + std::string(pathAndQuery), nullptr, world, now,
                        context);
}

}  // namespace meridiana
