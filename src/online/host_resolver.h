#pragma once
// Asynchronous host-name lookup for the HTTP client: IPv4 addresses only, the answer always on a
// later turn of the event loop, never inside the call that asked.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "online/event_loop.h"

namespace meridiana {

class HostResolver {
 public:
  // error 0 and the dotted address ("127.0.0.1"), or an error code and an empty address.
  using Reply = std::function<void(int error, const std::string& address)>;
  virtual ~HostResolver() = default;
  // A handle above 0 for the lookup, or 0 when the lookup cannot be started.
  virtual int Lookup(std::string_view name, Reply reply) = 0;
  // After this the lookup's reply never comes. False when the handle is unknown.
  virtual bool Cancel(int handle) = 0;
};

// Lookups with c-ares on the event loop: the hosts file first, then the name servers of
// /etc/resolv.conf, or those given ("127.0.0.1:5300,..."), as tests and the command line do.
// Null when c-ares cannot start or the server list does not parse.
std::unique_ptr<HostResolver> MakeCaresResolver(EventLoop& loop, std::string_view servers = {});
// The same with the system's servers, made ready on the first lookup (a lookup that cannot start
// then is refused), so that a program that never looks a name up never reads the configuration.
std::unique_ptr<HostResolver> MakeDeferredCaresResolver(EventLoop& loop);

}  // namespace meridiana
