#include "online/service_address.h"

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

std::optional<std::string> ServiceUrl(std::string_view address, std::string_view pathAndQuery,
                                      const WorldData& world, TimeValue now,
                                      const LinkContext& context) {
  return ExpandTemplate(std::string(address) + std::string(pathAndQuery), nullptr, world, now,
                        context);
}

}  // namespace meridiana
