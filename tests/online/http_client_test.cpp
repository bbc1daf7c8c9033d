// The HTTP client against servers of the test's own on loopback: outcomes, redirects, proxy
// retries, SOCKS handshakes byte for byte, the limits, and the watchdog on a hand-moved clock.

#include "online/http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "online/scripted_server.h"
#include "support/manual_event_loop.h"
#include "support/stub_name_server.h"

namespace meridiana {
namespace {

using test::Conversation;
using test::Exchange;
using test::ManualEventLoop;
using test::ScriptedServer;

// Answers from a table on a later turn, or refuses to start the lookup at all.
class FakeResolver : public HostResolver {
 public:
  explicit FakeResolver(EventLoop& loop) : loop_(loop) {}
  int Lookup(std::string_view name, Reply reply) override {
    names.emplace_back(name);
    if (refuse) return 0;
    const auto found = addresses.find(std::string(name));
    const std::string address = found == addresses.end() ? "" : found->second;
    loop_.Post([reply, address] { reply(address.empty() ? 4 : 0, address); });
    return ++handles_;
  }
  bool Cancel(int) override { return true; }

  std::map<std::string, std::string> addresses;
  std::vector<std::string> names;
  bool refuse = false;

 private:
  EventLoop& loop_;
  int handles_ = 0;
};

struct Ended {
  std::uint16_t flags = 0;
  std::uint16_t status = 0;
  int redirects = 0;
  std::string body;
  std::string url;
};

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(client.Initialize(
        "Quillary Meridiana", [this](int event, const HttpRequest*, const HttpEventValue& value) {
          events.push_back(event);
          if (!value.text.empty() && event != kHttpEventSent) texts.emplace_back(value.text);
          if (event == kHttpEventSocketError) errors.push_back(static_cast<int>(value.number));
        }));
  }

  // Starts a request that follows redirects and records each time it ends.
  void Start(const std::string& url) {
    client.StartRequest(url, 7, [this](HttpRequest& request, std::int32_t userValue) {
      EXPECT_EQ(userValue, 7);
      ended.push_back({request.flags, request.status, request.redirects,
                       std::string(request.Body()), request.url});
      return (request.flags & kHttpRedirect) ? 2 : 0;
    });
  }
  bool Finish(int maxRealMs = 5000) {
    return loop.Settle([this] { return client.Idle(); }, maxRealMs);
  }
  bool Saw(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  ManualEventLoop loop;
  FakeResolver resolver{loop};
  HttpClient client{loop, resolver};
  std::vector<int> events;
  std::vector<std::string> texts;
  std::vector<int> errors;
  std::vector<Ended> ended;
};

Conversation Reply(std::string bytes) { return {{{Exchange::kHeader, std::move(bytes)}}}; }

TEST_F(HttpClientTest, ResponsesEndAsTheirHeaderSays) {
  struct Case {
    const char* name;
    std::string reply;
    std::uint16_t flags;
    std::uint16_t status;
    const char* body;
  };
  const Case cases[] = {
      {"200 with its length and date",
       "HTTP/1.0 200 OK\r\nLast-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\nContent-Length: 5\r\n"
       "\r\nhello",
       kHttpDone, 200, "hello"},
      {"bare newlines", "HTTP/1.0 200 OK\nServer: x\n\nbody", kHttpDone, 200, "body"},
      {"no blank line after the header", "HTTP/1.0 200 OK\r\nServer: x\r\n",
       kHttpDone | kHttpFailed, 0, "HTTP/1.0 200 OK\r\nServer: x\r\n"},  // all of it is body
      {"shorter than its length", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc",
       kHttpDone | kHttpFailed, 200, "abc"},
      {"not found", "HTTP/1.0 404 Not Found\r\n\r\ngone", kHttpDone | kHttpFailed, 404, "gone"},
      {"closed without a byte", "", kHttpDone | kHttpFailed, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ended.clear();
    ScriptedServer server([&](int) { return Reply(c.reply); });
    Start(server.Url("/a/b?t=12:00#part"));
    ASSERT_TRUE(Finish());
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].flags, c.flags);
    EXPECT_EQ(ended[0].status, c.status);
    EXPECT_EQ(ended[0].body, c.body);
    ASSERT_EQ(server.Received().size(), 1u);
    EXPECT_EQ(server.Received()[0].substr(0, 27), "GET /a/b?t=12:00 HTTP/1.0\r\n");
    EXPECT_NE(
        server.Received()[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"),
        std::string::npos);
  }
}

TEST_F(HttpClientTest, ANumericHostIsNotLookedUpAndANameIs) {
  ScriptedServer server([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\n"); });
  Start(server.Url());
  ASSERT_TRUE(Finish());
  EXPECT_TRUE(resolver.names.empty());
  EXPECT_EQ(std::count(events.begin(), events.end(), kHttpEventResolving), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), kHttpEventResolvedHost), 0);

  events.clear();
  resolver.addresses["origin.test"] = "127.0.0.1";
  Start("http://user@origin.test:" + std::to_string(server.Port()) + "/x");
  ASSERT_TRUE(Finish());
  EXPECT_EQ(resolver.names, std::vector<std::string>{"origin.test"});
  const std::vector<int> start(events.begin(), events.begin() + 4);
  EXPECT_EQ(start, (std::vector<int>{kHttpEventResolving, kHttpEventResolvedHost,
                                     kHttpEventConnecting, kHttpEventSent}));
  EXPECT_EQ(ended.back().flags, kHttpDone);
  EXPECT_EQ(events.back(), kHttpEventListEmpty);
}

TEST_F(HttpClientTest, ARefusedConnectionEndsWithTheSocketError) {
  int port;
  {
    ScriptedServer closed([](int) { return Conversation{}; });
    port = closed.Port();
  }
  Start("http://127.0.0.1:" + std::to_string(port) + "/");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed | kHttpSocketError);
  EXPECT_EQ(errors, std::vector<int>{ECONNREFUSED});
}

TEST_F(HttpClientTest, RedirectsAreFollowedFiveTimesAndNeverToTheSameUrl) {
  // Each connection sends the request one step on: relative locations on odd steps, absolute
  // ones (with extra blanks after the name) on even steps.
  int port = 0;
  ScriptedServer chain([&port](int n) {
    const std::string next = "/step" + std::to_string(n + 1);
    const std::string location = n % 2 ? next : "  http://127.0.0.1:" + std::to_string(port) + next;
    return Reply("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\n\r\n");
  });
  port = chain.Port();
  Start(chain.Url("/dir/start"));
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 6u);  // five followed, the sixth is not
  EXPECT_EQ(ended.back().redirects, 5);
  EXPECT_EQ(ended.back().flags, kHttpDone | kHttpFailed | kHttpRedirect);
  EXPECT_EQ(chain.Received().size(), 6u);
  EXPECT_EQ(ended[1].url, chain.Url("/step1"));
  EXPECT_EQ(ended[2].url, chain.Url("/step2"));
  EXPECT_EQ(chain.Received()[2].substr(0, 15), "GET /step2 HTTP");

  ended.clear();
  ScriptedServer toItself(
      [](int) { return Reply("HTTP/1.0 302 Found\r\nLocation: /same\r\n\r\n"); });
  Start(toItself.Url("/same"));
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed | kHttpRedirect);
  EXPECT_EQ(toItself.Received().size(), 1u);
}

TEST_F(HttpClientTest, AProxyAskingForCredentialsGetsThemOnce) {
  ScriptedServer proxy([](int) {
    return Reply(
        "HTTP/1.0 407 Proxy Authentication Required\r\n"
        "Proxy-Authenticate: Digest realm=\"x\", nonce=\"1\"\r\n\r\n");
  });
  client.SetProxy(1, "127.0.0.1", proxy.Port(), "user", "pw");
  Start("http://origin.test/data?x=1");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);  // the first 407 is retried without troubling the caller
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed);
  EXPECT_EQ(ended[0].status, 407);
  EXPECT_EQ(ended[0].redirects, 1);
  const std::vector<std::string> received = proxy.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].substr(0, 45), "GET http://origin.test/data?x=1 HTTP/1.0\r\nAcc");
  EXPECT_NE(received[0].find("\r\nConnection: close\r\n"), std::string::npos);
  EXPECT_EQ(received[0].find("Proxy-Authorization"), std::string::npos);
  EXPECT_NE(received[1].find("\r\nProxy-Authorization: Basic dXNlcjpwdw==\r\n\r\n"),
            std::string::npos);
  EXPECT_TRUE(resolver.names.empty());  // the proxy does the lookup

  // Without a user name there is nothing to retry with.
  ended.clear();
  HttpClient other(loop, resolver);
  other.Initialize("Quillary Meridiana", [](int, const HttpRequest*, const HttpEventValue&) {});
  other.SetProxy(1, "127.0.0.1", proxy.Port(), "", "");
  int calls = 0;
  other.StartRequest("http://origin.test/", 0, [&](HttpRequest& request, std::int32_t) {
    ++calls;
    EXPECT_EQ(request.status, 407);
    return 0;
  });
  ASSERT_TRUE(loop.Settle([&] { return other.Idle(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(proxy.Received().size(), 3u);
}

// The proxy's user name and password are the proxy's: a server behind a SOCKS proxy that answers
// 407 gets nothing, and once the proxy is changed nobody else gets them either.
TEST_F(HttpClientTest, ProxyCredentialsGoOnlyToTheHttpProxyTheyBelongTo) {
  const std::string ask = "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n";
  const std::string granted5("\x05\x00\x00\x01\x7f\x00\x00\x01\x04\x00", 10);
  const std::vector<std::pair<int, std::vector<Exchange>>> socks = {
      {3,
       {{4, std::string("\x05\x02", 2)},
        {8, std::string("\x01\x00", 2)},
        {10, granted5},
        {Exchange::kHeader, ask}}},
      {2, {{9, std::string("\x00\x5a\x00\x00\x00\x00\x00\x00", 8)}, {Exchange::kHeader, ask}}},
  };
  for (const auto& [type, script] : socks) {
    SCOPED_TRACE(type);
    ended.clear();
    ScriptedServer proxy([&](int) { return Conversation{script}; });
    client.SetProxy(type, "127.0.0.1", proxy.Port(), "user", "pw");
    Start("http://127.0.0.1:8080/asks");
    ASSERT_TRUE(Finish());
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed);
    EXPECT_EQ(ended[0].status, 407);
    EXPECT_EQ(ended[0].redirects, 0);
    ASSERT_EQ(proxy.Received().size(), 1u);  // no second attempt
    EXPECT_EQ(proxy.Received()[0].find("Proxy-Authorization"), std::string::npos);
  }

  // An HTTP proxy asks once and gets the credentials on every request after.
  ScriptedServer http([&](int n) { return Reply(n == 0 ? ask : "HTTP/1.0 200 OK\r\n\r\nok"); });
  ScriptedServer origin([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\nok"); });
  client.SetProxy(1, "127.0.0.1", http.Port(), "user", "pw");
  Start("http://origin.test/1");
  ASSERT_TRUE(Finish());
  Start("http://origin.test/2");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(http.Received().size(), 3u);
  EXPECT_NE(http.Received()[2].find("Proxy-Authorization: Basic dXNlcjpwdw=="), std::string::npos);

  // The proxy goes: neither the origin nor a new proxy without a user gets them.
  client.SetProxy(0, "", 0, "", "");
  Start(origin.Url("/direct"));
  ASSERT_TRUE(Finish());
  client.SetProxy(1, "127.0.0.1", origin.Port(), "", "");
  Start("http://origin.test/other-proxy");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(origin.Received().size(), 2u);
  for (const std::string& request : origin.Received())
    EXPECT_EQ(request.find("Proxy-Authorization"), std::string::npos) << request;
  EXPECT_EQ(ended.back().flags, kHttpDone);
}

// The desktop's exceptions go direct; a desktop proxy the client cannot use stops every other
// request, on a later turn, with the text as the last word after the caller's own.
TEST_F(HttpClientTest, TheDesktopsExceptionsGoDirectAndAnUnusableProxyStopsTheRest) {
  ScriptedServer proxy([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\nproxy"); });
  ScriptedServer origin([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\norigin"); });
  ProxySettings desktop;
  desktop.host = "127.0.0.1";
  desktop.port = proxy.Port();
  desktop.bypass = "localhost,127.0.0.1";
  client.SetProxy(desktop, kProxyHttp);
  Start(origin.Url("/near"));
  ASSERT_TRUE(Finish());
  Start("http://origin.test/far");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_EQ(ended[0].body, "origin");
  EXPECT_EQ(ended[1].body, "proxy");
  ASSERT_EQ(origin.Received().size(), 1u);
  EXPECT_EQ(origin.Received()[0].substr(0, 20), "GET /near HTTP/1.0\r\n");
  EXPECT_EQ(origin.Received()[0].find("Connection: close"), std::string::npos);
  ASSERT_EQ(proxy.Received().size(), 1u);
  EXPECT_EQ(proxy.Received()[0].substr(0, 37), "GET http://origin.test/far HTTP/1.0\r\n");

  ended.clear();
  ProxySettings unusable;
  unusable.unusable = "https://p.example:443";
  unusable.bypass = "127.0.0.1";
  client.SetProxy(unusable, kProxyNone);
  const std::string refusal = " The desktop's proxy https://p.example:443 cannot be used";
  std::size_t textsAtCallback = 0;
  ASSERT_NE(
      client.StartRequest("http://origin.test/x", 0,
                          [&](HttpRequest& request, std::int32_t) {
                            ended.push_back({request.flags, request.status, 0, "", request.url});
                            textsAtCallback = texts.size();
                            return 0;
                          }),
      nullptr);
  EXPECT_TRUE(ended.empty());  // not inside StartRequest
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), refusal);
  EXPECT_EQ(textsAtCallback, texts.size() - 1);
  EXPECT_TRUE(resolver.names.empty());  // not even looked up
  EXPECT_EQ(proxy.Received().size(), 1u);

  Start(origin.Url("/still-near"));  // the exceptions still go direct
  ASSERT_TRUE(Finish());
  EXPECT_EQ(ended.back().body, "origin");
  // A redirect out of the exceptions is refused as well.
  ScriptedServer away(
      [](int) { return Reply("HTTP/1.0 302 Found\r\nLocation: http://origin.test/away\r\n\r\n"); });
  ended.clear();
  Start(away.Url("/"));
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_EQ(ended[1].flags, kHttpDone | kHttpFailed);
  EXPECT_EQ(ended[1].url, "http://origin.test/away");
  EXPECT_EQ(texts.back(), refusal);
  EXPECT_TRUE(resolver.names.empty());
}

// A SOCKS proxy that takes the handshake and then answers as the origin itself.
struct SocksCase {
  const char* name;
  int type;
  const char* user;
  std::vector<Exchange> script;  // {bytes expected, reply}
  bool succeeds;
  const char* text;  // the status text of a failure
};

TEST_F(HttpClientTest, SocksHandshakesAndTheirRefusals) {
  const std::string ok = "HTTP/1.0 200 OK\r\n\r\nthrough";
  const std::string granted5("\x05\x00\x00\x01\x7f\x00\x00\x01\x04\x00", 10);
  const std::string connect5 = std::string("\x05\x01\x00\x01\x7f\x00\x00\x01\x1f\x90", 10);
  const std::string creds = std::string("\x01\x04user\x02pw", 8);
  const SocksCase cases[] = {
      {"SOCKS5 without a user",
       3,
       "",
       {{3, std::string("\x05\x00", 2)}, {10, granted5}, {Exchange::kHeader, ok}},
       true,
       ""},
      {"SOCKS5 with user name and password",
       3,
       "user",
       {{4, std::string("\x05\x02", 2)},
        {8, std::string("\x01\x00", 2)},
        {10, granted5},
        {Exchange::kHeader, ok}},
       true,
       ""},
      {"SOCKS5 reply with a name as bound address",
       3,
       "",
       {{3, std::string("\x05\x00", 2)},
        {10, std::string("\x05\x00\x00\x03\x02hi\x00\x50", 9) + ok},
        {Exchange::kHeader, ""}},
       true,
       ""},
      {"SOCKS4 granted",
       2,
       "",
       {{9, std::string("\x00\x5a\x00\x00\x00\x00\x00\x00", 8) + ok}, {Exchange::kHeader, ""}},
       true,
       ""},
      {"SOCKS4 rejected",
       2,
       "",
       {{9, std::string("\x00\x5b\x00\x00\x00\x00\x00\x00", 8)}},
       false,
       " SOCKS proxy refused the connection (91)"},
      {"SOCKS5 takes no method we offer",
       3,
       "",
       {{3, std::string("\x05\xff", 2)}},
       false,
       " SOCKS proxy accepts none of our methods (255)"},
      {"SOCKS5 refuses the password",
       3,
       "user",
       {{4, std::string("\x05\x02", 2)}, {8, std::string("\x01\x01", 2)}},
       false,
       " SOCKS proxy refused the user name or password"},
      {"SOCKS5 cannot reach the host",
       3,
       "",
       {{3, std::string("\x05\x00", 2)}, {10, std::string("\x05\x05\x00\x01\0\0\0\0\0\0", 10)}},
       false,
       " SOCKS proxy refused the connection (5)"},
      {"a proxy of another version",
       3,
       "",
       {{3, std::string("\x04\x00", 2)}},
       false,
       " SOCKS proxy reply not understood"},
      {"a short reply, then the proxy hangs up",
       2,
       "",
       {{9, std::string("\x00\x5a\x00", 3)}},
       false,
       " SOCKS proxy closed the connection during the handshake"},
  };
  for (const SocksCase& c : cases) {
    SCOPED_TRACE(c.name);
    ended.clear();
    texts.clear();
    ScriptedServer proxy([&](int) { return Conversation{c.script}; });
    client.SetProxy(c.type, "127.0.0.1", proxy.Port(), c.user, "pw");
    Start("http://127.0.0.1:8080/path#frag");
    ASSERT_TRUE(Finish());  // at once: no watchdog tick has passed
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ((ended[0].flags & kHttpFailed) == 0, c.succeeds);
    ASSERT_EQ(proxy.Received().size(), 1u);
    const std::string got = proxy.Received()[0];
    if (c.succeeds) {
      EXPECT_EQ(ended[0].body, "through");
      EXPECT_NE(got.find("GET http://127.0.0.1:8080/path HTTP/1.0\r\n"), std::string::npos);
      EXPECT_NE(got.find("\r\nConnection: close\r\n"), std::string::npos);
    } else {
      EXPECT_TRUE(Saw(c.text)) << (texts.empty() ? "" : texts.back());
    }
    if (c.type == 3) {
      const std::string greeting =
          *c.user ? std::string("\x05\x02\x00\x02", 4) : std::string("\x05\x01\x00", 3);
      EXPECT_EQ(got.substr(0, greeting.size()), greeting);
      if (*c.user) {
        EXPECT_EQ(got.substr(4, 8), creds);
      }
      if (c.succeeds && !*c.user) {
        EXPECT_EQ(got.substr(3, 10), connect5);
      }
    } else {
      EXPECT_EQ(got.substr(0, 8), std::string("\x04\x01\x1f\x90\x7f\x00\x00\x01", 8));
      EXPECT_EQ(got[got.find('\0', 8)], '\0');  // the user id ends with a zero byte
    }
  }

  // A user name no length byte can carry is refused before anything goes out.
  ended.clear();
  ScriptedServer silent([](int) { return Conversation{{{1, ""}}}; });
  client.SetProxy(3, "127.0.0.1", silent.Port(), std::string(300, 'u'), "pw");
  Start("http://127.0.0.1:8080/");
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_TRUE(ended[0].flags & kHttpFailed);
  EXPECT_TRUE(Saw(" SOCKS5 user name or password longer than 255 bytes"));
  for (int wait = 0; wait < 100 && silent.Received().empty(); ++wait) usleep(10000);
  ASSERT_EQ(silent.Received().size(), 1u);
  EXPECT_EQ(silent.Received()[0], "");
}

TEST_F(HttpClientTest, ALargeBodyArrivesWholeAcrossManyReads) {
  // Bytes that differ from place to place, so a chunk lost, doubled or shifted shows.
  std::string body(6u << 20, '\0');
  std::uint32_t state = 12345;
  for (char& c : body) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  ScriptedServer server([&](int) {
    return Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n" + body);
  });
  Start(server.Url());
  ASSERT_TRUE(Finish(20000));
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone);
  EXPECT_EQ(ended[0].status, 200);
  EXPECT_TRUE(ended[0].body == body);
  EXPECT_GT(std::count(events.begin(), events.end(), kHttpEventData), 1);
}

TEST_F(HttpClientTest, ResponsesAndHeadersAreBounded) {
  // The bound counts the whole response, header and all: up to it is taken, a byte more is not.
  const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
  for (const std::size_t total : {HttpClient::kMaxResponse, HttpClient::kMaxResponse + 1}) {
    SCOPED_TRACE(total);
    ended.clear();
    texts.clear();
    ScriptedServer huge([&](int) { return Reply(head + std::string(total - head.size(), 'x')); });
    Start(huge.Url());
    ASSERT_TRUE(Finish(20000));
    ASSERT_EQ(ended.size(), 1u);
    if (total <= HttpClient::kMaxResponse) {
      EXPECT_EQ(ended[0].flags, kHttpDone);
      EXPECT_EQ(ended[0].body.size(), total - head.size());
      EXPECT_FALSE(Saw(" Response larger than 32 MiB"));
    } else {
      EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed);
      EXPECT_TRUE(Saw(" Response larger than 32 MiB"));
      EXPECT_LE(ended[0].body.size(), HttpClient::kMaxResponse);
    }
  }

  ended.clear();
  std::string endless = "HTTP/1.0 200 OK\r\n";
  while (endless.size() < 2 * HttpClient::kMaxHeader) endless += "X-Filler: 0123456789\r\n";
  ScriptedServer header([&](int) { return Conversation{{{Exchange::kHeader, endless}}, true}; });
  Start(header.Url());
  ASSERT_TRUE(Finish());
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed);
  EXPECT_TRUE(Saw(" Response header longer than 32 KiB"));
}

TEST_F(HttpClientTest, TheWatchdogEndsRequestsThatStopMoving) {
  // A lookup that cannot start leaves the request idle: the second tick ends it.
  resolver.refuse = true;
  Start("http://origin.test/");
  loop.Advance(64000);
  loop.Settle([] { return false; }, 20);
  EXPECT_TRUE(ended.empty());
  loop.Advance(64000);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed | kHttpTimedOut);
  EXPECT_TRUE(client.Idle());
  EXPECT_EQ(loop.TimerCount(), 0u);  // nothing ticks while there is nothing to watch

  // A server that sends its header and then holds the line gets eleven ticks.
  ended.clear();
  ScriptedServer holding([](int) {
    return Conversation{{{Exchange::kHeader, "HTTP/1.0 200 OK\r\n\r\nab"}}, true};
  });
  Start(holding.Url());
  ASSERT_TRUE(
      loop.Settle([&] { return client.RequestCount() == 1 && !holding.Received().empty(); }));
  loop.Settle([] { return false; }, 50);
  loop.Advance(10 * 64000);
  EXPECT_TRUE(ended.empty());
  loop.Advance(64000);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].flags, kHttpDone | kHttpFailed | kHttpTimedOut);
  EXPECT_EQ(ended[0].body, "ab");
  EXPECT_GT(std::count(events.begin(), events.end(), kHttpEventTick), 6000);
}

TEST_F(HttpClientTest, LookupIdsRunFrom20011To29910AndWrap) {
  resolver.refuse = true;
  std::vector<int> ids;
  for (int i = 0; i < 9901; ++i) {
    HttpRequest* request = client.StartRequest("http://origin.test/", 0, nullptr);
    ASSERT_NE(request, nullptr);
    ids.push_back(request->lookupMessage);
    client.AbortAll();
  }
  EXPECT_EQ(ids.front(), 20011);
  EXPECT_EQ(ids[9899], 29910);
  EXPECT_EQ(ids.back(), 20011);
  EXPECT_EQ(client.LookupCounter(), 1);
}

TEST_F(HttpClientTest, AbortAllEndsEveryRequestOnce) {
  ScriptedServer holding([](int) { return Conversation{{{Exchange::kHeader, ""}}, true}; });
  Start(holding.Url("/1"));
  Start(holding.Url("/2"));
  ASSERT_EQ(client.RequestCount(), 2u);
  client.AbortAll();
  ASSERT_EQ(ended.size(), 2u);
  for (const Ended& e : ended) EXPECT_EQ(e.flags, kHttpFailed | kHttpAborted);
  EXPECT_TRUE(client.Idle());
  EXPECT_EQ(std::count(events.begin(), events.end(), kHttpEventListEmpty), 1);
}

// Stop, or the program told to quit, while a callback runs a loop of its own: the request it is
// reading stays until it returns, and its callback is not called a second time.
TEST_F(HttpClientTest, ARequestOutlivesItsRunningCallback) {
  for (const bool shutDown : {false, true}) {
    SCOPED_TRACE(shutDown ? "Shutdown" : "AbortAll");
    ScriptedServer server([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\nbody"); });
    auto token = std::make_shared<int>(0);
    const std::weak_ptr<int> held = token;
    int calls = 0;
    bool heldThroughout = false;
    client.StartRequest(server.Url("/"), 0, [&, token](HttpRequest& request, std::int32_t) {
      if (++calls > 1) return 0;
      if (shutDown) {
        client.Shutdown();
      } else {
        client.AbortAll();
      }
      bool turned = false;  // the clean-ups the client posted run in this nested loop
      loop.Post([&] { turned = true; });
      loop.Settle([&] { return turned; });
      heldThroughout = !held.expired() && request.Body() == "body";
      return 0;
    });
    token.reset();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(heldThroughout);
    bool turned = false;
    loop.Post([&] { turned = true; });
    ASSERT_TRUE(loop.Settle([&] { return turned; }));
    EXPECT_TRUE(held.expired());  // and it does go once the callback is over
  }
}

TEST(HostLookup, NamesComeFromTheTestsOwnNameServer) {
  ManualEventLoop loop;
  test::StubNameServer names(loop, {{"origin.test", "127.0.0.1"}});
  ASSERT_TRUE(names.Running());
  const std::unique_ptr<HostResolver> resolver = MakeCaresResolver(loop, names.Address());
  ASSERT_NE(resolver, nullptr);
  ScriptedServer server([](int) { return Reply("HTTP/1.0 200 OK\r\n\r\nfound"); });
  HttpClient client(loop, *resolver);
  std::vector<std::string> texts;
  client.Initialize("Quillary Meridiana",
                    [&](int event, const HttpRequest*, const HttpEventValue& value) {
                      if (event == kHttpEventText) texts.emplace_back(value.text);
                    });
  std::vector<std::pair<std::uint16_t, std::string>> ended;
  const auto record = [&](HttpRequest& request, std::int32_t) {
    ended.emplace_back(request.flags, std::string(request.Body()));
    return 0;
  };
  client.StartRequest("http://origin.test:" + std::to_string(server.Port()) + "/", 0, record);
  client.StartRequest("http://nowhere.test/", 0, record);
  ASSERT_TRUE(loop.Settle([&] { return client.Idle(); }));
  ASSERT_EQ(ended.size(), 2u);
  std::sort(ended.begin(), ended.end());
  EXPECT_EQ(ended[0], std::make_pair<std::uint16_t>(kHttpDone, std::string("found")));
  EXPECT_EQ(ended[1].first, kHttpDone | kHttpFailed | kHttpHostNotFound | kHttpSocketError);
  EXPECT_EQ(texts, std::vector<std::string>{" Host Not Found"});
  EXPECT_NE(std::find(names.Queries().begin(), names.Queries().end(), "nowhere.test"),
            names.Queries().end());
}

}  // namespace
}  // namespace meridiana
