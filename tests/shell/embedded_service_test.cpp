// The bundled service: started only for the default address on this machine when nothing
// answers there, and stopped again; the real meridiana-service of the build is the program.

#include "shell/embedded_service.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "online/scripted_server.h"
#include "qt_test_app.h"

namespace meridiana {
namespace {

TEST(EmbeddedService, LoopbackAddressesOnly) {
  struct Case {
    const char* address;
    bool ok;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8613", true, "127.0.0.1", 8613},
      {"http://127.0.0.2:80/path", true, "127.0.0.2", 80},
      {"http://10.0.0.1:8613", false, "", 0},
      {"http://localhost:8613", false, "", 0},  // a name could be anywhere
      {"https://127.0.0.1:8613", false, "", 0},
      {"http://127.0.0.1", false, "", 0},
      {"http://127.0.0.1:99999", false, "", 0},
  };
  for (const Case& c : cases) {
    std::string host;
    int port = 0;
    EXPECT_EQ(LoopbackHostAndPort(c.address, &host, &port), c.ok) << c.address;
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

TEST(EmbeddedService, StartsWhenNothingAnswersAndStopsAgain) {
  test::QtApp();
  const std::string program = std::string(MERIDIANA_STAGE_DIR) + "/meridiana-service";
  ASSERT_EQ(access(program.c_str(), X_OK), 0) << program;
  int port;
  {
    test::ScriptedServer probe([](int) { return test::Conversation{}; });
    port = probe.Port();  // free again once the probe is gone
  }
  const std::string address = "http://127.0.0.1:" + std::to_string(port);
  EmbeddedService service;
  EXPECT_FALSE(service.StartIfNeeded(address, "http://127.0.0.1:1", program));  // not the default
  ASSERT_TRUE(service.StartIfNeeded(address, address, program));
  EXPECT_TRUE(test::PumpUntil([&] { return SomethingListens("127.0.0.1", port); }));
  const qint64 pid = service.pid();
  EXPECT_GT(pid, 0);

  // Something answers now: a second copy does not start.
  EmbeddedService second;
  EXPECT_FALSE(second.StartIfNeeded(address, address, program));

  service.Stop();
  EXPECT_FALSE(service.running());
  EXPECT_FALSE(SomethingListens("127.0.0.1", port));
  EXPECT_NE(kill(static_cast<pid_t>(pid), 0), 0);  // gone, and reaped
}

}  // namespace
}  // namespace meridiana
