// The proxy a download goes through, as the environment names it: split at the last '@' so that
// curl gets the address and the credentials apart, and chosen in curl's order of variables.

#include "service/proxy_url.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

TEST(ProxyUrl, CredentialsComeOffAtTheLastAt) {
  const struct {
    const char* text;
    ProxyUrl want;
  } rows[] = {
      {"http://alice:s3cr/et@127.0.0.1:8830", {"http://127.0.0.1:8830", "alice", "s3cr/et"}},
      {"socks5h://u%40x:p%3Aq%25@[::1]:1080/", {"socks5h://[::1]:1080", "u@x", "p:q%"}},
      {"a:b@c@proxy.example:3128?x#y", {"http://proxy.example:3128", "a", "b@c"}},
      {"proxy.example", {"http://proxy.example", "", ""}},
      {"http://user@10.0.0.1:3128", {"http://10.0.0.1:3128", "user", ""}},
  };
  for (const auto& row : rows) {
    const ProxyUrl got = SplitProxyUrl(row.text);
    EXPECT_EQ(got.url, row.want.url) << row.text;
    EXPECT_EQ(got.user, row.want.user) << row.text;
    EXPECT_EQ(got.password, row.want.password) << row.text;
  }
}

TEST(ProxyUrl, EachSchemeTakesTheVariableCurlWould) {
  const ScopedEnv https("https_proxy", "http://a:1");
  const ScopedEnv httpsUpper("HTTPS_PROXY", "http://b:2");
  const ScopedEnv httpUpper("HTTP_PROXY", "http://c:3");  // from a request's Proxy header: never
  const ScopedEnv all("all_proxy", "socks5://d:4");
  EXPECT_EQ(EnvironmentProxy(true)->url, "http://a:1");
  EXPECT_EQ(EnvironmentProxy(false)->url, "socks5://d:4");
  {
    const ScopedEnv none("https_proxy", "");
    EXPECT_EQ(EnvironmentProxy(true)->url, "http://b:2");
  }
  const ScopedEnv noAll("all_proxy", "");
  const ScopedEnv noAllUpper("ALL_PROXY", "");
  EXPECT_FALSE(EnvironmentProxy(false));
}

}  // namespace
}  // namespace meridiana::service
