// libFuzzer harness for what the HTTP client reads from a server or a proxy: the header search,
// the status, Last-Modified and Content-Length, the redirect location made absolute and the
// request built for it, the SOCKS replies, and the desktop's no_proxy list. Every offset it
// reports must lie inside the bytes it was given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "online/http_message.h"
#include "online/proxy_settings.h"
#include "online/socks_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto end = meridiana::FindHeaderEnd(bytes);
  if (end && *end > size) std::abort();
  const meridiana::ResponseHeader header =
      meridiana::ParseResponseHeader(bytes.substr(0, end.value_or(size)));
  if (header.lastModified && header.lastModified->size() > 512) std::abort();
  for (std::string_view current : {"http://a.org/d/e", "http://a.org", "x"}) {
    const std::string target = meridiana::RedirectTarget(bytes, current);
    if (target.size() > 2047 + current.size() + 1) std::abort();
    (void)meridiana::UrlPort(target);
    (void)meridiana::UrlLookupName(target);
    // Whatever the location holds, the request keeps its five lines.
    const std::string request = meridiana::BuildRequestText(target, {});
    if (std::count(request.begin(), request.end(), '\n') != 5) std::abort();
  }
  // The no_proxy list, and a host read against it.
  (void)meridiana::ProxyBypassed(bytes, "www.example.org", 80);
  (void)meridiana::ProxyBypassed("localhost,10.0.0.0/8,.example.org", bytes, 8080);
  for (const meridiana::SocksAnswer answer :
       {meridiana::ReadSocks4Reply(bytes), meridiana::ReadSocks5Method(bytes, true),
        meridiana::ReadSocks5AuthReply(bytes), meridiana::ReadSocks5ConnectReply(bytes)}) {
    if (answer.reply != meridiana::SocksReply::kIncomplete && answer.length > size) std::abort();
  }
  return 0;
}
