#pragma once
// Where the online service is: the installation's local-machine value "service", else the
// bundled service on this machine; and a request's URL on it with the template keys filled in.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/key_value_store.h"
#include "online/link_template.h"
#include "world/world_data.h"

namespace meridiana {

inline constexpr char kDefaultServiceAddress[] = "http://127.0.0.1:8613";

// "http://host:port" without a trailing "/"; store may be null.
std::string ServiceAddress(const KeyValueStore* store);

std::optional<std::string> ServiceUrl(std::string_view address, std::string_view pathAndQuery,
                                      const WorldData& world, TimeValue now,
                                      const LinkContext& context);

}  // namespace meridiana
