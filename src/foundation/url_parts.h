#pragma once
// The host and port of an "http://host:port/path" URL.

#include <string>
#include <string_view>

namespace meridiana {

// The host: after "//" (or from the start) up to the first "/" or ":".
std::string UrlHost(std::string_view url);
// The number after a ":" between the host start and the first "/" behind it; 0 when there is
// none or it is not a port number (1..65535).
int UrlPort(std::string_view url);

}  // namespace meridiana
