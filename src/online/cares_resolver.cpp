// The c-ares channel rides on the event loop: c-ares says which sockets it wants watched, the
// loop reports their readiness back, and a timer runs c-ares' own retries while lookups are out.

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>

#include <map>
#include <string>

#include "online/host_resolver.h"

namespace meridiana {
namespace {

constexpr int kRetryTickMs = 100;

class CaresLibrary {
 public:
  CaresLibrary() : ok_(ares_library_init(ARES_LIB_INIT_ALL) == ARES_SUCCESS) {}
  ~CaresLibrary() {
    if (ok_) ares_library_cleanup();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

class CaresResolver : public HostResolver {
 public:
  explicit CaresResolver(EventLoop& loop) : loop_(loop) {}
  ~CaresResolver() override {
    alive_.reset();
    if (channel_) ares_destroy(channel_);  // calls every pending reply with ARES_EDESTRUCTION
    for (const auto& [fd, watch] : watches_) loop_.StopWatch(watch);
    if (timer_) loop_.StopTimer(timer_);
  }

  // The channel is made on the first lookup: reading the resolver's configuration costs a start
  // that may never look a name up.
  bool Start(std::string_view servers, bool deferred) {
    servers_ = std::string(servers);
    return deferred || EnsureChannel();
  }

  int Lookup(std::string_view name, Reply reply) override {
    if (name.empty() || !EnsureChannel()) return 0;
    const int handle = ++lastHandle_;
    pending_[handle] = std::move(reply);
    // c-ares owns the context until it answers; Answered takes it back.
    auto context = std::make_unique<LookupContext>(LookupContext{this, alive_, handle});
    ares_gethostbyname(channel_, std::string(name).c_str(), AF_INET, &CaresResolver::Answered,
                       context.release());
    UpdateTimer();
    return handle;
  }

  bool Cancel(int handle) override { return pending_.erase(handle) > 0; }

 private:
  bool EnsureChannel() {
    if (channel_) return true;
    if (failed_ || !library_.ok()) return false;
    ares_options options{};
    options.sock_state_cb = &CaresResolver::SocketState;
    options.sock_state_cb_data = this;
    options.lookups = const_cast<char*>("fb");
    if (ares_init_options(&channel_, &options, ARES_OPT_SOCK_STATE_CB | ARES_OPT_LOOKUPS) !=
        ARES_SUCCESS) {
      channel_ = nullptr;
      failed_ = true;
      return false;
    }
    if (!servers_.empty() &&
        ares_set_servers_ports_csv(channel_, servers_.c_str()) != ARES_SUCCESS) {
      ares_destroy(channel_);
      channel_ = nullptr;
      failed_ = true;
      return false;
    }
    return true;
  }

  struct LookupContext {
    CaresResolver* self;
    std::weak_ptr<int> alive;
    int handle;
  };

  static void Answered(void* arg, int status, int /*timeouts*/, hostent* host) {
    std::unique_ptr<LookupContext> context(static_cast<LookupContext*>(arg));
    if (context->alive.expired()) return;
    CaresResolver* self = context->self;
    std::string address;
    int error = status == ARES_SUCCESS ? 0 : status;
    if (!error) {
      char text[INET_ADDRSTRLEN] = {};
      if (host && host->h_addrtype == AF_INET && host->h_addr_list && host->h_addr_list[0] &&
          inet_ntop(AF_INET, host->h_addr_list[0], text, sizeof text)) {
        address = text;
      } else {
        error = ARES_ENODATA;
      }
    }
    // The reply goes out on a later turn, also when c-ares answered from the hosts file at once.
    const int handle = context->handle;
    self->loop_.Post([self, alive = context->alive, handle, error, address] {
      if (alive.expired()) return;
      const auto found = self->pending_.find(handle);
      if (found == self->pending_.end()) return;  // cancelled
      Reply reply = std::move(found->second);
      self->pending_.erase(found);
      reply(error, address);
    });
    self->loop_.Post([self, alive = context->alive] {
      if (!alive.expired()) self->UpdateTimer();
    });
  }

  static void SocketState(void* data, ares_socket_t fd, int readable, int writable) {
    auto* self = static_cast<CaresResolver*>(data);
    const unsigned events =
        (readable ? EventLoop::kReadable : 0u) | (writable ? EventLoop::kWritable : 0u);
    const auto found = self->watches_.find(fd);
    if (!events) {
      if (found != self->watches_.end()) {
        self->loop_.StopWatch(found->second);
        self->watches_.erase(found);
      }
      return;
    }
    if (found != self->watches_.end()) {
      self->loop_.ChangeWatch(found->second, events);
      return;
    }
    self->watches_[fd] = self->loop_.WatchSocket(fd, events, [self, fd](unsigned ready) {
      ares_process_fd(self->channel_, (ready & EventLoop::kReadable) ? fd : ARES_SOCKET_BAD,
                      (ready & EventLoop::kWritable) ? fd : ARES_SOCKET_BAD);
    });
  }

  // c-ares times its retries itself; it only needs to be asked now and then while lookups wait.
  void UpdateTimer() {
    const bool waiting = !pending_.empty();
    if (waiting && !timer_) {
      timer_ = loop_.StartTimer(kRetryTickMs, [this] {
        ares_process_fd(channel_, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
        if (pending_.empty()) UpdateTimer();
      });
    } else if (!waiting && timer_) {
      loop_.StopTimer(timer_);
      timer_ = 0;
    }
  }

  EventLoop& loop_;
  CaresLibrary library_;
  ares_channel channel_ = nullptr;
  std::string servers_;
  bool failed_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  int lastHandle_ = 0;
  std::map<int, Reply> pending_;
  std::map<ares_socket_t, EventLoop::Id> watches_;
  EventLoop::Id timer_ = 0;
};

}  // namespace

std::unique_ptr<HostResolver> MakeCaresResolver(EventLoop& loop, std::string_view servers) {
  auto resolver = std::make_unique<CaresResolver>(loop);
  if (!resolver->Start(servers, false)) return nullptr;
  return resolver;
}

std::unique_ptr<HostResolver> MakeDeferredCaresResolver(EventLoop& loop) {
  auto resolver = std::make_unique<CaresResolver>(loop);
  resolver->Start({}, true);
  return resolver;
}

}  // namespace meridiana
