// The newest version named by the service, and the comparison with this copy's.

#include "online/version_check.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

TEST(VersionCheck, TheServicesLineAndTheComparison) {
  EXPECT_EQ(NewestVersion("0.2.0\n"), "0.2.0");
  EXPECT_EQ(NewestVersion("1.10.3\r\nanything"), "1.10.3");
  for (const char* bad : {"", "\n0.2", "v1.0", "1..2", ".1", "1.", "<html>", "1.0 beta"})
    EXPECT_EQ(NewestVersion(bad), std::nullopt) << bad;
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const Case cases[] = {{"0.1.0", "0.1.0", 0}, {"0.9", "0.10", -1}, {"1.0", "1", 0},
                        {"1.0.1", "1", 1},     {"2", "10", -1},     {"0.1.0", "0.0.9", 1}};
  for (const Case& c : cases) EXPECT_EQ(CompareVersions(c.a, c.b), c.order) << c.a << " " << c.b;
}

}  // namespace
}  // namespace meridiana
