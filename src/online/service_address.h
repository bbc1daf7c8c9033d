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

// Whether text names a service as ServiceUrl needs it: "http://" or "https://", a host, and
// when a ":" follows the host, a port from 1 to 65535; a path may follow.
bool IsServiceAddress(std::string_view text);

std::optional<std::string> ServiceUrl(std::string_view address, std::string_view pathAndQuery,
                                      const WorldData& world, TimeValue now,
                                      const LinkContext& context);

}  // namespace meridiana
