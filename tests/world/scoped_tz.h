#pragma once
// Sets the host time zone (TZ) for the life of one test and restores the previous one.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace meridiana::world_test {

class ScopedTz {
 public:
  explicit ScopedTz(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (previous_) {
      ::setenv("TZ", previous_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace meridiana::world_test

// Also reachable as meridiana::testing::ScopedTz; inside namespace meridiana, write
// ::testing:: for GoogleTest's own names.
namespace meridiana::testing {
using world_test::ScopedTz;
}  // namespace meridiana::testing
