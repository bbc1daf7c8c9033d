// meridiana-cli fetch: one request through the program's HTTP client and proxy, on the poll()
// loop, with what the completion callback saw.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "foundation/file_key_value_store.h"
#include "foundation/file_util.h"
#include "online/http_client.h"
#include "online/poll_event_loop.h"
#include "online/proxy_settings.h"

namespace meridiana::cli {
namespace {

constexpr char kFetchUsage[] =
    "usage: meridiana-cli fetch URL [--out FILE] [--proxy none|http|socks4|socks5] "
    "[--proxy-host H] [--proxy-port P] [--proxy-user U] [--proxy-password W] "
    "[--dns HOST:PORT,...] [--watchdog-ms MS]\n";

struct FetchOptions {
  std::string url;
  std::string out;
  std::optional<int> proxyType;
  ProxySettings proxy;
  std::string dnsServers;
  int watchdogMs = HttpTimings{}.watchdogMs;
};

std::optional<int> ProxyTypeNamed(const std::string& name) {
  if (name == "none") return kProxyNone;
  if (name == "http") return kProxyHttp;
  if (name == "socks4") return kProxySocks4;
  if (name == "socks5") return kProxySocks5;
  return std::nullopt;
}

bool ParseFetchOptions(const Args& args, FetchOptions* options) {
  if (args.empty() || args[0].empty() || args[0].front() == '-') return false;
  options->url = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (i + 1 >= args.size()) return false;
    const std::string& value = args[++i];
    if (name == "--out") {
      options->out = value;
    } else if (name == "--proxy") {
      options->proxyType = ProxyTypeNamed(value);
      if (!options->proxyType) return false;
    } else if (name == "--proxy-host") {
      options->proxy.host = value;
    } else if (name == "--proxy-port") {
      const auto port = WholeNumberOption("fetch", name, value, 1, 65535);
      if (!port) return false;
      options->proxy.port = static_cast<int>(*port);
    } else if (name == "--proxy-user") {
      options->proxy.userName = value;
    } else if (name == "--proxy-password") {
      options->proxy.password = value;
    } else if (name == "--dns") {
      options->dnsServers = value;
    } else if (name == "--watchdog-ms") {
      const auto ms = WholeNumberOption("fetch", name, value, 1, 24L * 3600 * 1000);
      if (!ms) return false;
      options->watchdogMs = static_cast<int>(*ms);
    } else {
      return false;
    }
  }
  return true;
}

// The proxy the window would use: the kept one, else the desktop's.
ProxySettings ProgramProxy() {
  FileKeyValueStore store(FileKeyValueStore::DefaultConfigFolder(), DefaultDataFolder());
  ProxySettings settings = LoadProxy(store, DesktopProxySetting(HostProxySystem()), kSchemeHttp);
  settings.type = StartupProxyType(settings);
  return settings;
}

struct Outcome {
  bool ended = false;
  std::uint16_t status = 0;
  std::uint16_t flags = 0;
  int received = 0;
  int bodyOffset = 0;
  std::uint32_t contentLength = 0;
  std::string lastModified;
  int redirects = 0;
  bool bodyWritten = true;
};

}  // namespace

int RunFetch(const Args& args) {
  FetchOptions options;
  if (!ParseFetchOptions(args, &options)) {
    std::fprintf(stderr, "%s", kFetchUsage);
    return 2;
  }
  ProxySettings proxy = options.proxy;
  if (options.proxyType) {
    proxy.type = *options.proxyType;
  } else {
    proxy = ProgramProxy();
  }

  PollEventLoop loop;
  const std::unique_ptr<HostResolver> resolver = MakeCaresResolver(loop, options.dnsServers);
  if (!resolver) {
    std::fprintf(stderr, "meridiana-cli fetch: cannot start the host lookup\n");
    return 1;
  }
  HttpClient client(loop, *resolver);
  client.Initialize(
      "Quillary Meridiana",
      [](int event, const HttpRequest*, const HttpEventValue& value) {
        if (event == kHttpEventText || event == kHttpEventPlainText) {
          std::printf("event=%.*s\n", static_cast<int>(value.text.size()), value.text.data());
        } else if (event == kHttpEventSocketError) {
          std::printf("event=%s\n", SocketErrorText(value.number).c_str());
        }
      },
      HttpTimings{.watchdogMs = options.watchdogMs});
  client.SetProxy(proxy, proxy.type);

  Outcome outcome;
  client.StartRequest(options.url, 0, [&outcome, &options](HttpRequest& request, std::int32_t) {
    outcome = Outcome{true,
                      request.status,
                      request.flags,
                      request.received,
                      request.bodyOffset,
                      request.contentLength,
                      request.lastModified.value_or(""),
                      request.redirects};
    // Straight from the response block: a large body is never held twice.
    if (!options.out.empty() && !(request.flags & kHttpFailed)) {
      const std::string_view body = request.Body();
      outcome.bodyWritten = WriteWholeFile(options.out.c_str(), body.data(), body.size());
    }
    return (request.flags & kHttpRedirect) ? 2 : 0;
  });
  while (!client.Idle() && loop.RunOnce(1000)) {
  }
  if (!outcome.ended) {
    std::fprintf(stderr, "meridiana-cli fetch: the request could not be started\n");
    return 1;
  }
  std::printf("status=%u\nflags=%s\nreceived=%d\nbodyOffset=%d\ncontentLength=%u\n", outcome.status,
              HttpFlagNames(outcome.flags).c_str(), outcome.received, outcome.bodyOffset,
              outcome.contentLength);
  std::printf("lastModified=%s\nredirects=%d\n", outcome.lastModified.c_str(), outcome.redirects);
  if (!outcome.bodyWritten) {
    std::fprintf(stderr, "meridiana-cli fetch: cannot write %s\n", options.out.c_str());
    return 1;
  }
  return (outcome.flags & kHttpFailed) ? 1 : 0;
}

}  // namespace meridiana::cli
